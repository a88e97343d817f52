// Entry stubs of the conversion routines for compiled code (see
// runtime_entry_stubs.h): one branch instruction each, no frame.

#if defined(__x86_64__)
#define VS_STUB_ALIGN
#define VS_BRANCH(target) jmp target
#define VS_FUNCTION_TYPE @function
#elif defined(__arm__)
#define VS_STUB_ALIGN .p2align 2
#define VS_BRANCH(target) b target
#define VS_FUNCTION_TYPE %function
        .syntax unified
        .arm
#else
#error "entry stubs exist for x86-64 and ARM only"
#endif

.macro VS_ENTRY_STUB routine
        .text
        VS_STUB_ALIGN
        .globl \routine\()Entry
        .type \routine\()Entry, VS_FUNCTION_TYPE
\routine\()Entry:
        VS_BRANCH(\routine)
        .size \routine\()Entry, . - \routine\()Entry
.endm

        VS_ENTRY_STUB vsRuntime_l2f
        VS_ENTRY_STUB vsRuntime_l2d
        VS_ENTRY_STUB vsRuntime_f2l
        VS_ENTRY_STUB vsRuntime_f2d
        VS_ENTRY_STUB vsRuntime_d2l
        VS_ENTRY_STUB vsRuntime_d2f

        .section .note.GNU-stack,"",%progbits
