// The VM globals block: the words that the interpreter and compiled code
// reach at fixed offsets from one base register.
//
//   offset  content
//   0       dispatch table (256 words)
//   1024    current thread
//   1028    yield word (bit 0: yield requested)
//   1032    allocation top
//   1036    card-bitmap base: bit (a >> 2) & 31 of word a >> 7 marks address a
//   1040    saved native stack pointer (while the interpreter runs)
//   1044    class table: element 0 of the class-table object array
//   1048    allocation end (the young window's limit)
//   1052    the thread-kill object, made pending to end a thread
//   1056    the newest open frame iterator (frame_iterator.h)
//   1060    the tag-stack simulator's shared byte[]
//   1064    the verifier's bci table (int[512]; verifier.h)
//   1120    barrier range start (heap start)
//   1124    barrier range end (heap end)
//   1128    pending exception
//   1132    merged constant pool of the image
//   1136    native parameter pointer
//   1176    stubDecisionMethod, 1180 stubDecisionResult (compile countdown)
//   1184    11 helper routines for compiled code (0 without the compiler)
//   1228    vsRuntimeEntryTable, 18 slots
//   1300    array-copy and character-search routines, then fadd, fsub,
//           fmul and fdiv
//   1324    vsRuntime_deoptimizeFrame, 1328 vsRuntime_deoptimizeMethod
//   1332    3 reserved words, 0
//
// The offsets are fixed by generated code; unnamed words in between are
// reserved for the interpreter's other globals. The block is 256-aligned and
// lives among the zeroed VM variables.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"

struct alignas(256) VmGlobals {
  VmWord dispatchTable[256];
  VmWord currentThread;
  VmWord yieldWord;
  VmWord allocationTop;
  VmWord cardBitmapBase;
  VmWord savedNativeStackPointer;
  VmWord classTable;
  VmWord allocationEnd;
  VmWord threadKillObject;
  VmWord frameIterators;
  VmWord stackMapTags;       // the tag-stack simulator's shared byte[]
  VmWord verifierBciIndex;   // the verifier's int[512], or 0
  VmWord reserved1068[13];
  VmWord heapLow;
  VmWord heapHigh;
  VmWord pendingException;
  VmWord mergedPool;
  VmWord nativeParameterPointer;
  VmWord reserved1140[9];
  VmWord stubDecisionMethod;
  VmWord stubDecisionResult;
  VmWord helperRoutines[11];
  VmWord runtimeEntryTable[18];
  VmWord arraycopyRoutine;
  VmWord indexOfRoutine;
  VmWord faddRoutine;
  VmWord fsubRoutine;
  VmWord fmulRoutine;
  VmWord fdivRoutine;
  VmWord compiledCodeEntryTable[2];
  VmWord reserved1332[3];
};

inline constexpr uint32_t kRuntimeEntrySlots = 18;
inline constexpr uint32_t kHelperRoutineSlots = 11;

static_assert(offsetof(VmGlobals, dispatchTable) == 0);
static_assert(offsetof(VmGlobals, currentThread) == 1024);
static_assert(offsetof(VmGlobals, yieldWord) == 1028);
static_assert(offsetof(VmGlobals, allocationTop) == 1032);
static_assert(offsetof(VmGlobals, cardBitmapBase) == 1036);
static_assert(offsetof(VmGlobals, savedNativeStackPointer) == 1040);
static_assert(offsetof(VmGlobals, classTable) == 1044);
static_assert(offsetof(VmGlobals, allocationEnd) == 1048);
static_assert(offsetof(VmGlobals, stackMapTags) == 1060);
static_assert(offsetof(VmGlobals, verifierBciIndex) == 1064);
static_assert(offsetof(VmGlobals, heapLow) == 1120);
static_assert(offsetof(VmGlobals, heapHigh) == 1124);
static_assert(offsetof(VmGlobals, pendingException) == 1128);
static_assert(offsetof(VmGlobals, mergedPool) == 1132);
static_assert(offsetof(VmGlobals, nativeParameterPointer) == 1136);
static_assert(offsetof(VmGlobals, stubDecisionMethod) == 1176);
static_assert(offsetof(VmGlobals, stubDecisionResult) == 1180);
static_assert(offsetof(VmGlobals, helperRoutines) == 1184);
static_assert(offsetof(VmGlobals, helperRoutines) + 4 * (kHelperRoutineSlots - 1) == 1224);
static_assert(offsetof(VmGlobals, runtimeEntryTable) == 1228);
static_assert(offsetof(VmGlobals, runtimeEntryTable) + 4 * (kRuntimeEntrySlots - 1) == 1296);
static_assert(offsetof(VmGlobals, arraycopyRoutine) == 1300);
static_assert(offsetof(VmGlobals, indexOfRoutine) == 1304);
static_assert(offsetof(VmGlobals, faddRoutine) == 1308);
static_assert(offsetof(VmGlobals, fsubRoutine) == 1312);
static_assert(offsetof(VmGlobals, fmulRoutine) == 1316);
static_assert(offsetof(VmGlobals, fdivRoutine) == 1320);
static_assert(offsetof(VmGlobals, compiledCodeEntryTable) == 1324);
static_assert(offsetof(VmGlobals, compiledCodeEntryTable) + 4 == 1328);
static_assert(offsetof(VmGlobals, reserved1332) == 1332);
static_assert(sizeof(VmGlobals) % 256 == 0 && sizeof(VmGlobals) >= 1344);

// The words of the block that hold references (or addresses inside heap
// objects, as the class-table word does): the VM start clears them, image
// loading relocates them and the collector updates them.
inline constexpr VmWord VmGlobals::*kVmGlobalsReferenceWords[] = {
    &VmGlobals::currentThread,
    &VmGlobals::classTable,
    &VmGlobals::pendingException,
    &VmGlobals::threadKillObject,
    &VmGlobals::mergedPool,
    &VmGlobals::stackMapTags,
    &VmGlobals::verifierBciIndex,
};

extern VmVariable<VmGlobals> vsVmGlobals;

// Clears every reference word of the block.
void vsVmGlobals_clearReferences();

// The pending-exception word: non-zero while an exception is pending. Every
// core function tests it after each call that can throw.
inline VmWord& vsPendingException() { return vsVmGlobals.pendingException; }
inline bool vsException_isPending() { return vsVmGlobals.pendingException != 0; }
