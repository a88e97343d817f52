// Branch re-targeting after code was removed or inserted, and the byte
// pattern search that finds the sequences the VM fuses.
//
// vsBranchRelocator is built with the threshold T (the first bci at which
// the code changed) and the change of length D, and walked over the whole
// method after the code moved. A branch at bci with target t (from its
// stored offset) gets the offset t - bci + D when bci < T <= t, and
// t - bci - D when t < T <= bci; other offsets stay. Branch offsets are
// rewritten big-endian (16 bits, 32 for goto_w), switch offsets in place in
// machine order; lookupswitch match values are left alone.
//
// The search is Knuth-Morris-Pratt over bytes: the failure table is the
// pattern's prefix function (entry j: the length of the longest proper
// prefix of pattern[0..j] that is also its suffix).
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/bytecode/bytecode_closure.h"

class vsBranchRelocator : public vsBytecodeClosure {
 public:
  vsBranchRelocator(uint32_t threshold, int32_t delta) : threshold(threshold), delta(delta) {}

  uint32_t threshold;
  int32_t delta;

  int32_t branchIf(int32_t cond, int32_t target) override;
  int32_t branchIfIntCompare(int32_t cond, int32_t target) override;
  int32_t branchIfRefCompare(int32_t cond, int32_t target) override;
  int32_t branchAlways(int32_t target) override;
  int32_t tableSwitch(uint32_t table, int32_t defaultTarget, int32_t low, int32_t high) override;
  int32_t lookupSwitch(uint32_t table, int32_t defaultTarget, int32_t pairs) override;

 private:
  // The new offset of a branch from bci to target, or false when it stays.
  bool newOffset(int32_t target, int32_t* offset) const;
  int32_t relocate16(int32_t target);
  void relocateWord(uint32_t at);
};

inline constexpr uint32_t kBytePatternMaxLength = 8;

struct BytePattern {
  uint8_t bytes[kBytePatternMaxLength];
  uint8_t failure[kBytePatternMaxLength];
  uint32_t length;
};

// ifne +7; iconst_1; goto +4; iconst_0 and ifeq +7; iconst_0; goto +4;
// iconst_1: both turn an int into 1 when it is 0, else into 0.
extern VmVariable<BytePattern> vsBytePattern_notIfne;
extern VmVariable<BytePattern> vsBytePattern_notIfeq;

void vsBytePattern_prepare(BytePattern* pattern);
// The first match that lies entirely in [from, end), or null.
const uint8_t* vsBytePattern_find(const uint8_t* from, const uint8_t* end, const BytePattern* pattern);
