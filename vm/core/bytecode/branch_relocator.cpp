// Branch re-targeting and the byte-pattern search (see branch_relocator.h).
#include "vm/core/bytecode/branch_relocator.h"

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/method_access.h"

VS_VMDATA(BytePattern) vsBytePattern_notIfne = {
    {kOpIfne, 0x00, 0x07, kOpIconst1, kOpGoto, 0x00, 0x04, kOpIconst0}, {}, 8};
VS_VMDATA(BytePattern) vsBytePattern_notIfeq = {
    {kOpIfeq, 0x00, 0x07, kOpIconst0, kOpGoto, 0x00, 0x04, kOpIconst1}, {}, 8};

namespace {

MethodRecord* codeOf(const vsBytecodeClosure* c) { return vsRef_as<MethodRecord>(c->method.object); }

}  // namespace

bool vsBranchRelocator::newOffset(int32_t target, int32_t* offset) const {
  const int64_t here = bci;
  const int64_t t = target;
  const int64_t edge = threshold;
  if (here < edge && edge <= t) {
    *offset = static_cast<int32_t>(t - here + delta);
    return true;
  }
  if (t < edge && edge <= here) {
    *offset = static_cast<int32_t>(t - here - delta);
    return true;
  }
  return false;
}

int32_t vsBranchRelocator::relocate16(int32_t target) {
  int32_t offset;
  if (!newOffset(target, &offset)) return 0;
  MethodRecord* m = codeOf(this);
  m->code[bci + 1] = static_cast<uint8_t>(static_cast<uint32_t>(offset) >> 8);
  m->code[bci + 2] = static_cast<uint8_t>(offset);
  return 0;
}

void vsBranchRelocator::relocateWord(uint32_t at) {
  MethodRecord* m = codeOf(this);
  int32_t offset;
  if (newOffset(vsBytecodes_target(bci, vsMethod_codeIntAt(m, at)), &offset)) vsMethod_setCodeIntAt(m, at, offset);
}

int32_t vsBranchRelocator::branchIf(int32_t, int32_t target) { return relocate16(target); }
int32_t vsBranchRelocator::branchIfIntCompare(int32_t, int32_t target) { return relocate16(target); }
int32_t vsBranchRelocator::branchIfRefCompare(int32_t, int32_t target) { return relocate16(target); }

int32_t vsBranchRelocator::branchAlways(int32_t target) {
  MethodRecord* m = codeOf(this);
  if (m->code[bci] != kOpGotoW) return relocate16(target);
  int32_t offset;
  if (newOffset(target, &offset)) vsMethod_setCodeBigEndianIntAt(m, bci + 1, offset);
  return 0;
}

int32_t vsBranchRelocator::tableSwitch(uint32_t table, int32_t, int32_t low, int32_t high) {
  relocateWord(table);
  const int64_t entries = int64_t{high} - low + 1;
  for (int64_t k = 0; k < entries; ++k) relocateWord(table + 12 + 4 * static_cast<uint32_t>(k));
  return 0;
}

int32_t vsBranchRelocator::lookupSwitch(uint32_t table, int32_t, int32_t pairs) {
  relocateWord(table);
  for (int32_t k = 0; k < pairs; ++k) relocateWord(table + 12 + 8 * static_cast<uint32_t>(k));
  return 0;
}

void vsBytePattern_prepare(BytePattern* pattern) {
  if (pattern->length == 0) return;
  pattern->failure[0] = 0;
  uint32_t k = 0;
  for (uint32_t j = 1; j < pattern->length; ++j) {
    while (k > 0 && pattern->bytes[j] != pattern->bytes[k]) k = pattern->failure[k - 1];
    if (pattern->bytes[j] == pattern->bytes[k]) ++k;
    pattern->failure[j] = static_cast<uint8_t>(k);
  }
}

const uint8_t* vsBytePattern_find(const uint8_t* from, const uint8_t* end, const BytePattern* pattern) {
  const uint32_t n = pattern->length;
  if (n == 0 || end < from || static_cast<uint64_t>(end - from) < n) return nullptr;
  uint32_t p = 0;
  for (const uint8_t* at = from; at < end;) {
    if (*at == pattern->bytes[p]) {
      ++at;
      if (++p == n) return at - n;
    } else if (p > 0) {
      p = pattern->failure[p - 1];
    } else {
      ++at;
    }
  }
  return nullptr;
}
