// The method entry records (see method_entries.h): one read-only record per
// entry kind, each trap instructions up to the entry point at byte 20 and
// trap instructions after it, so that a jump through an entry word that was
// never set, or into an entry whose code is not there, stops at once.

#include "vm/core/interp/method_entry_list.h"

#if defined(__x86_64__)
#define VS_FUNCTION_TYPE @function
.macro VS_TRAPS bytes
        .fill \bytes, 1, 0xcc
.endm
#elif defined(__arm__)
#define VS_FUNCTION_TYPE %function
        .syntax unified
        .arm
.macro VS_TRAPS bytes
        .rept \bytes / 4
        .inst 0xe7f000f0
        .endr
.endm
#else
#error "method entry records exist for x86-64 and ARM only"
#endif

.macro VS_ENTRY_RECORD symbol
        VS_TRAPS VS_METHOD_ENTRY_TRAP_BYTES
        .globl \symbol
        .type \symbol, VS_FUNCTION_TYPE
\symbol\():
        VS_TRAPS (VS_METHOD_ENTRY_RECORD_BYTES - VS_METHOD_ENTRY_TRAP_BYTES)
        .size \symbol, . - \symbol
.endm

#define VS_EMIT_RECORD(symbol, kind) VS_ENTRY_RECORD symbol ;

        .text
        .p2align 5
        .globl vsMethodEntries
vsMethodEntries:
        VS_METHOD_ENTRIES(VS_EMIT_RECORD)

        .section .note.GNU-stack,"",%progbits
