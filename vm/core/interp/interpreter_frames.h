// The records the interpreter lays in a thread's Java stack, word for word
// as the frame walker and compiled code read them. The stack grows down;
// every word is 32 bits; "FP" is the frame pointer.
//
// Interpreted frame (FP addresses its word 6):
//
//   higher  | parameters (local 0 highest) |  <- locals pointer = local 0
//           | extra locals                 |     local i at LP - 4i
//           | return token      (word 7)   |  FP + 4
//           | caller's FP       (word 6)   |  <- FP
//           | method            (word 5)   |  FP - 4
//           | pool entry base   (word 4)   |  FP - 8
//           | locals pointer    (word 3)   |  FP - 12
//           | saved bytecode ptr (word 2)  |  FP - 16
//           | monitor-area bottom (word 1) |  FP - 20
//           | lock records, 28 bytes each  |  record i at FP - 48 - 28i
//           |   (kFirstLockRecordBelowFp, kLockRecordBytes)
//   lower   | operand stack                |  operand i at SP + 4i
//
// The monitor-area bottom is the lowest lock record, or word 1 itself when
// the frame holds none; the operand depth is (bottom - SP) / 4.
//
// Guard frame (9 words) under which the runtime's calls into Java run:
//
//   | 0xdeadbeef                    |  FP + 4: the chunk-end tag
//   | return token                  |  <- FP
//   | interrupted SP                |  FP - 4 (0 at the stack bottom)
//   | interrupted FP                |  FP - 8 (0 at the stack bottom)
//   | three saved result words      |  FP - 20 .. FP - 12
//   | saved pending exception       |  FP - 24
//   | slot for the next call        |  FP - 28 = its SP
//
// Call transition (3 words) pushed below the operands at every call out of
// the interpreter: {caller's FP, continuation token, return address}; the
// thread records its address while the runtime runs.
//
// A return token is a word of a static read-only table preceded by a 0
// word: the 0 is the inline word after an interpreted call site.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/core/threads/monitors.h"  // LockRecord, the 7 words of a lock record

struct InterpreterFrame {
  VmWord monitorBottom;
  VmWord savedBcp;
  VmWord localsPointer;
  VmWord poolBase;
  VmWord method;
  VmWord callerFramePointer;
  VmWord returnToken;
};

inline constexpr uint32_t kInterpreterFrameWords = 7;
inline constexpr uint32_t kFramePointerWord = 5;  // callerFramePointer

struct GuardFrame {
  VmWord nextCall;
  VmWord savedPendingException;
  VmWord savedResults[3];
  VmWord interruptedFramePointer;
  VmWord interruptedStackPointer;
  VmWord returnToken;
  VmWord endTag;
};

inline constexpr uint32_t kGuardFrameWords = 9;
inline constexpr VmWord kGuardFrameTag = 0xdeadbeefu;

struct CallTransitionFrame {
  VmWord callerFramePointer;
  VmWord continuation;
  VmWord returnAddress;
};

inline constexpr uint32_t kCallTransitionWords = 3;

// Bit 29 of a saved bytecode pointer marks the stack-growth temporary frame.
inline constexpr VmWord kGrowthFrameBit = 1u << 29;

static_assert(sizeof(InterpreterFrame) == 4 * kInterpreterFrameWords);
static_assert(offsetof(InterpreterFrame, callerFramePointer) == 4 * kFramePointerWord);
static_assert(offsetof(InterpreterFrame, monitorBottom) == 0 && offsetof(InterpreterFrame, savedBcp) == 4);
static_assert(offsetof(InterpreterFrame, localsPointer) == 8 && offsetof(InterpreterFrame, poolBase) == 12);
static_assert(offsetof(InterpreterFrame, method) == 16 && offsetof(InterpreterFrame, returnToken) == 24);
static_assert(sizeof(GuardFrame) == 4 * kGuardFrameWords);
static_assert(offsetof(GuardFrame, returnToken) == 28 && offsetof(GuardFrame, endTag) == 32);
static_assert(offsetof(GuardFrame, interruptedStackPointer) == 28 - 4);
static_assert(offsetof(GuardFrame, interruptedFramePointer) == 28 - 8);
static_assert(offsetof(GuardFrame, savedPendingException) == 28 - 24);
static_assert(sizeof(CallTransitionFrame) == 4 * kCallTransitionWords);

// The frame whose frame pointer is fp.
inline InterpreterFrame* vsFrame_atPointer(VmWord fp) {
  return vsWord_toPointer<InterpreterFrame>(fp - 4 * kFramePointerWord);
}
// Below the frame pointer lie the frame's words down to its monitor-area
// bottom (word 1), then lock record i.
inline constexpr uint32_t kFrameBytesBelowFp = 4 * kFramePointerWord;
inline constexpr uint32_t kFirstLockRecordBelowFp = kFrameBytesBelowFp + kLockRecordBytes;
static_assert(kFrameBytesBelowFp ==
              offsetof(InterpreterFrame, callerFramePointer) - offsetof(InterpreterFrame, monitorBottom));
static_assert(kFrameBytesBelowFp == 20 && kFirstLockRecordBelowFp == 48);

// The address of lock record i of the frame at fp.
inline VmWord vsFrame_lockRecordAddress(VmWord fp, uint32_t i) {
  return fp - kFirstLockRecordBelowFp - kLockRecordBytes * i;
}
// The number of lock records of the frame at fp: its monitor area holds a
// whole number of them.
inline uint32_t vsFrame_lockRecordCountAt(VmWord fp) {
  const uint32_t bytes = fp - vsFrame_atPointer(fp)->monitorBottom - kFrameBytesBelowFp;
  VS_ASSERT(bytes % kLockRecordBytes == 0, "a frame's monitor area holds whole lock records");
  return bytes / kLockRecordBytes;
}

inline GuardFrame* vsGuardFrame_atPointer(VmWord fp) {
  return vsWord_toPointer<GuardFrame>(fp - offsetof(GuardFrame, returnToken));
}
