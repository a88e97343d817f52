// Instruction-length table (see bytecodes.h).
#include "vm/core/model/bytecodes.h"

#include <array>

#include "vm/core/model/method_access.h"

namespace {

struct Lengths {
  uint8_t normal;
  uint8_t wide;
};

constexpr std::array<Lengths, 256> buildTable() {
  std::array<Lengths, 256> t{};
  for (int op = 0; op < 256; ++op) t[op] = {1, kLengthNotAllowed};
  // The class file's opcodes 0 .. 201.
  t[16].normal = 2;  // bipush
  t[17].normal = 3;  // sipush
  t[18].normal = 2;  // ldc
  t[19].normal = 3;  // ldc_w
  t[20].normal = 3;  // ldc2_w
  for (int op = 21; op <= 25; ++op) t[op] = {2, 4};  // loads
  for (int op = 54; op <= 58; ++op) t[op] = {2, 4};  // stores
  t[132] = {3, 6};                                   // iinc
  for (int op = 153; op <= 167; ++op) t[op].normal = 3;  // if<cond>, goto
  t[168].normal = kLengthNotAllowed;                 // jsr
  t[169] = {kLengthNotAllowed, 4};                   // ret
  t[170].normal = 0;                                 // tableswitch
  t[171].normal = 0;                                 // lookupswitch
  for (int op = 178; op <= 184; ++op) t[op].normal = 3;  // fields, invokes
  t[185].normal = 5;                                 // invokeinterface
  t[186].normal = kLengthNotAllowed;
  t[187].normal = 3;  // new
  t[188].normal = 2;  // newarray
  t[189].normal = 3;  // anewarray
  t[192].normal = 3;  // checkcast
  t[193].normal = 3;  // instanceof
  t[196].normal = 0;  // wide
  t[197].normal = 4;  // multianewarray
  t[198].normal = 3;  // ifnull
  t[199].normal = 3;  // ifnonnull
  t[200].normal = 5;  // goto_w
  t[201].normal = kLengthNotAllowed;  // jsr_w
  // The VM's own opcodes.
  t[202].normal = 1;
  t[203].normal = 2;
  for (int op = 204; op <= 227; ++op) t[op].normal = 3;
  t[228].normal = 5;
  t[229].normal = 8;  // native invoke
  for (int op = 230; op <= 235; ++op) t[op].normal = 3;
  for (int op = 236; op <= 239; ++op) t[op].normal = 2;
  t[240].normal = 1;
  for (int op = 241; op <= 243; ++op) t[op].normal = 0;
  t[244] = {8, 7};
  t[245] = {6, 6};
  t[246] = t[247] = {5, 5};
  for (int op = 248; op <= 251; ++op) t[op] = {4, 4};
  for (int op = 252; op <= 255; ++op) t[op] = {3, 3};
  return t;
}

constexpr std::array<Lengths, 256> kLengths = buildTable();

static_assert(kLengths[0].normal == 1 && kLengths[177].normal == 1 && kLengths[191].normal == 1);
static_assert(kLengths[132].wide == 6 && kLengths[21].wide == 4 && kLengths[167].wide == 255);
static_assert(kLengths[170].normal == 0 && kLengths[196].normal == 0 && kLengths[242].normal == 0);
static_assert(kLengths[200].normal == 5 && kLengths[201].normal == 255 && kLengths[244].wide == 7);

}  // namespace

uint8_t vsBytecodes_tableLength(uint8_t opcode) { return kLengths[opcode].normal; }

uint8_t vsBytecodes_wideLength(uint8_t opcode) { return kLengths[opcode].wide; }

int32_t vsBytecodes_lengthAt(const VmRef* method, uint32_t bci) {
  const uint8_t opcode = vsMethod_codeByteAt(vsRef_as<MethodRecord>(*method), bci);
  const uint8_t length = kLengths[opcode].normal;
  if (length != 0) return length;
  return vsBytecodes_switchLength(method, bci, opcode);
}

int32_t vsBytecodes_switchLength(const VmRef* method, uint32_t bci, uint8_t opcode) {
  const MethodRecord* m = vsRef_as<MethodRecord>(*method);
  const int64_t codeLength = m->codeLength;
  const uint32_t p = (bci + 4) & ~uint32_t{3};
  int64_t length;
  switch (opcode) {
    case kOpTableswitch: {
      if (p + 12 > codeLength) return 0;
      const int64_t low = vsMethod_codeIntAt(m, p + 4);
      const int64_t high = vsMethod_codeIntAt(m, p + 8);
      length = (p - bci) + 12 + 4 * (high - low + 1);
      break;
    }
    case kOpLookupswitch: {
      if (p + 8 > codeLength) return 0;
      const int64_t pairs = vsMethod_codeIntAt(m, p + 4);
      length = (p - bci) + 8 * (pairs + 1);
      break;
    }
    case kOpWide:
      if (bci + 1 >= codeLength) return 0;
      return kLengths[vsMethod_codeByteAt(m, bci + 1)].wide;
    default:
      return 0;
  }
  if (length < (p - bci) + 8 || bci + length > codeLength) return 0;
  return static_cast<int32_t>(length);
}
