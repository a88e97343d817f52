// The heap's side of compiled code: the words the heap shares with the
// dynamic compiler, the compiler's calls that the collector makes, and the
// rules the compiler asks of the heap.
//
// A compiled-code block is a heap object of kind -7 that the collector
// moves and frees like any other:
//
//   0 header | 4, 8 header words | 12 size word | 16 method | 20 code ...
//                                  age << 24 | n                (n bytes:
//                                                  code, relocation stream)
//
// The owning method is the kind's reference word; the references the code
// embeds are found by the compiler's scanner. Marking reports the first
// reach of a block in each collection to the compiler's aging. The
// compiler installs both calls when it starts; a VM without the compiler
// installs none, allocates no block and never sets the compilation word.
//
// A full compacting collection asked for while a compilation runs would
// move the objects the compiler works on: it is refused with
// OutOfMemoryError, which ends the compilation, and compilation stays
// disallowed until a collection leaves at least 30720 bytes free.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/memory/gc_hooks.h"

struct JitHeapWords {
  VmWord compiling;               // nonzero while a compilation runs (kept by the compiler)
  uint32_t compilePermitted;      // 1 from the heap's set-up; 0 disallows compilation
  uint32_t totalCompiledCodeSize; // bytes of the installed blocks (kept by the compiler)
};

extern VmVariable<JitHeapWords> vsJit_heapWords;

inline constexpr uint32_t kFreeBytesToCompile = 30720;

// The compiler's scanner: calls visit on the address of every reference
// word embedded in the block's code. Its aging: called for every block a
// collection's marking reaches.
using VsCompiledCodeScanner = void (*)(VmRef block, VsWordVisitor visit, void* context);
using VsCompiledCodeAging = void (*)(VmRef block);

// Installs the compiler's calls (null: none).
void vsJit_setCollectorCalls(VsCompiledCodeScanner scanner, VsCompiledCodeAging aging);

// The object scanner's step for a block: the installed scanner, or nothing.
void jitReloc_forEachReference(VmRef block, VsWordVisitor visit, void* context);
// Marking's report of a block reached: the installed aging, or nothing.
void jitCode_ageOrUnlink(VmRef block);
// True when aging is installed and so wants the blocks reached.
bool vsJit_agesCompiledCode();

// A block is in use unless the top byte of its size word is 0 (never
// aged) or 0xB8 (the low byte of the VM globals base, which every entry
// of the compiled method stores there).
bool vsGC_compiledCodeInUse(VmRef block);
// True when MaxTotalCompiledCodeSize is below 1 (no limit) or the total
// compiled-code size is below it; asked before each compilation.
bool vsJit_codeSizeBelowLimit();

// True when a collection must be refused: it is full and a compilation
// is in progress, with UseCompiler and MixedMode on.
bool vsJit_refusesCollection(bool full);
