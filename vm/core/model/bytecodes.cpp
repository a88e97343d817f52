// Lengths and names of the bytecode table (see bytecodes.h).
#include "vm/core/model/bytecodes.h"

#include "vm/core/model/method_access.h"

namespace {

struct Row {
  uint8_t code;
  uint8_t normal;
  uint8_t wide;
  const char* name;
};

constexpr Row kRows[256] = {
#define VS_BYTECODE_ROW(id, name, code, length, wide, handler) {code, length, wide, name},
    VS_BYTECODE_TABLE(VS_BYTECODE_ROW)
#undef VS_BYTECODE_ROW
};

constexpr bool rowsInCodeOrder() {
  for (int op = 0; op < 256; ++op) {
    if (kRows[op].code != op) return false;
  }
  return true;
}

static_assert(rowsInCodeOrder(), "the bytecode table lists codes 0 to 255 once each, in order");
static_assert(kRows[0].normal == 1 && kRows[177].normal == 1 && kRows[191].normal == 1);
static_assert(kRows[132].wide == 6 && kRows[21].wide == 4 && kRows[167].wide == 255);
static_assert(kRows[170].normal == 0 && kRows[196].normal == 0 && kRows[242].normal == 0);
static_assert(kRows[200].normal == 5 && kRows[201].normal == 255 && kRows[244].wide == 7);

}  // namespace

uint8_t vsBytecodes_tableLength(uint8_t opcode) { return kRows[opcode].normal; }

uint8_t vsBytecodes_wideLength(uint8_t opcode) { return kRows[opcode].wide; }

const char* vsBytecodes_name(uint8_t opcode) { return kRows[opcode].name; }

int32_t vsBytecodes_lengthAt(const VmRef* method, uint32_t bci) {
  const uint8_t opcode = vsMethod_codeByteAt(vsRef_as<MethodRecord>(*method), bci);
  const uint8_t length = kRows[opcode].normal;
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
      return kRows[vsMethod_codeByteAt(m, bci + 1)].wide;
    default:
      return 0;
  }
  if (length < (p - bci) + 8 || bci + length > codeLength) return 0;
  return static_cast<int32_t>(length);
}
