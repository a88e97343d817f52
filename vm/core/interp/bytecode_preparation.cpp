// Load-time preparation of bytecode (see bytecode_preparation.h).
#include "vm/core/interp/bytecode_preparation.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/threads/monitors.h"

namespace {

constexpr uint8_t kFirstVmOpcode = 202;
constexpr uint8_t kFirstWithoutWideForm = 241;
constexpr uint32_t kMaxStackLimit = 65535;

int32_t refuse(int32_t code) {
  vsException_raiseWithCode(kVmErrorClass, code);
  return 0;
}

// The length of the switch at bci, its operand words turned into machine
// order; 0 when its table is negative or runs past the code.
uint32_t prepareSwitch(MethodRecord* m, uint32_t bci, uint8_t opcode) {
  const int64_t n = m->codeLength;
  const uint32_t p = (bci + 4) & ~uint32_t{3};
  const int64_t head = opcode == kOpTableswitch ? 12 : 8;
  if (p + head > n) return 0;
  int64_t end;
  if (opcode == kOpTableswitch) {
    const int64_t low = vsMethod_codeBigEndianIntAt(m, p + 4);
    const int64_t high = vsMethod_codeBigEndianIntAt(m, p + 8);
    if (high < low) return 0;
    end = p + head + 4 * (high - low + 1);
  } else {
    const int64_t pairs = vsMethod_codeBigEndianIntAt(m, p + 4);
    if (pairs < 0) return 0;
    end = p + head + 8 * pairs;
  }
  if (end > n) return 0;
  for (uint32_t at = p; at < end; at += 4) vsMethod_setCodeIntAt(m, at, vsMethod_codeBigEndianIntAt(m, at));
  return static_cast<uint32_t>(end - bci);
}

}  // namespace

int32_t vsMethod_prepareBytecode(const VmRef* method) {
  MethodRecord* m = vsRef_as<MethodRecord>(*method);
  if (vsMethod_isNative(m) || vsMethod_isAbstract(m)) return 1;
  const uint32_t n = m->codeLength;
  if (n == 0) return refuse(kErrBadBytecode);
  uint16_t flags = 0;
  uint32_t monitorEnters = 0;
  for (uint32_t bci = 0; bci < n;) {
    const uint8_t opcode = m->code[bci];
    if (opcode >= kFirstVmOpcode || vsBytecodes_tableLength(opcode) == kLengthNotAllowed)
      return refuse(kErrBadBytecode);
    uint32_t length = vsBytecodes_tableLength(opcode);
    if (opcode == kOpWide) {
      if (bci + 1 >= n) return refuse(kErrBadBytecode);
      const uint8_t next = m->code[bci + 1];
      if (next < kFirstVmOpcode && vsBytecodes_tableLength(next) == kLengthNotAllowed)
        return refuse(kErrBadBytecode);
      if (next >= kFirstWithoutWideForm || vsBytecodes_wideLength(next) == kLengthNotAllowed)
        return refuse(kErrBadWide);
      length = vsBytecodes_wideLength(next);
    } else if (opcode == kOpTableswitch || opcode == kOpLookupswitch) {
      length = prepareSwitch(m, bci, opcode);
      if (length == 0) return refuse(kErrBadBytecode);
      flags |= kMethodSyntheticOrSwitch;
    } else if (opcode >= kOpInvokevirtual && opcode <= kOpInvokeinterface) {
      flags |= kMethodHasInvokes;
    } else if (opcode == kOpMonitorenter || opcode == kOpMonitorexit) {
      flags |= kMethodHasMonitors;
      if (opcode == kOpMonitorenter) ++monitorEnters;
    }
    if (length > n - bci) return refuse(kErrBadBytecode);
    bci += length;
  }
  m->accessFlags |= flags;
  const uint32_t maxStack = m->maxStack + kLockRecordWords * monitorEnters;
  if (maxStack >= kMaxStackLimit) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  m->maxStack = static_cast<uint16_t>(maxStack);
  return 1;
}
