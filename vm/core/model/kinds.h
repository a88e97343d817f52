// Instance kinds: the signed 16-bit word of a class record that tells what
// its objects are.
//
// A kind of 0 or more is the byte size of an ordinary instance; the negative
// kinds are the VM's arrays and internal records. One table gives, per kind,
// the persistent root that holds its class record, the rule that measures an
// object of the kind (the heap walk's size rule) and the words of the kind's
// reference map. The maps are built from that table at compile time in the
// collector's encoding: byte b = advance b words and visit, 255 = advance
// 254 words without visiting, 0 = end; the walk starts at the object's word 0.
#pragma once

#include <array>
#include <cstdint>

enum InstanceKind : int16_t {
  kKindObjectArray = -1,
  kKindByteArray = -2,     // 1-byte elements (boolean, byte)
  kKindCharArray = -3,     // 2-byte elements (char, short)
  kKindIntArray = -4,      // 4-byte elements (float, int)
  kKindLongArray = -5,     // 8-byte elements (double, long)
  kKindMethod = -6,
  kKindCompiledCode = -7,
  kKindConstantPool = -8,
  kKindSymbol = -9,
  kKindInstanceClass = -10,
  kKindObjectArrayClass = -11,
  kKindTypeArrayClass = -12,
  kKindOneWordNear = -13,  // {class}; also the one-word filler
  kKindNear = -14,         // {class, class info, hash and lock}
  kKindMethodNear = -15,   // {class, 0}
  kKindClassOfKind = -16,
  kKindZipStream = -17,
  kKindArgumentBlock = -18,
  kKindClassLoading = -19,
  kKindStackChunk = -20,
  kKindClassInfo = -21,
  kKindStackMap = -28,
  kKindThread = -29,
  kKindCompiler32 = -30,
  kKindCompiler20 = -31,
  kKindCompiler40 = -32,
  kKindMonitor = -33,
};

inline constexpr int kLowestKind = -33;

// How the heap walk measures an object of a kind (n = the object's word 1).
enum class SizeRule : uint8_t {
  None,          // kinds -22 to -27: never created
  Fixed,         // the table's byte size
  ByteElements,  // (n + 11) & ~3
  CharElements,  // (2n + 11) & ~3
  IntElements,   // (4n + 11) & ~3
  LongElements,  // (8n + 11) & ~3
  OwnSize,       // low 16 bits of word 1 (records that store their size)
  StackChunk,    // (n + 19) & ~3
  ArgumentBlock, // (8n + 19) & ~3
  ConstantPool,  // (4 * (n & 0xffff) + 15) & ~3
  Symbol,        // ((n & 0xffff) + 9) & ~3
  Method,        // (16-bit code length + 43) & ~3
  CompiledCode,  // ((word 3 & 0xffffff) + 23) & ~3
};

inline constexpr int kMaxReferenceWords = 12;

struct KindInfo {
  int16_t kind;
  int8_t root;         // persistent root of the kind's class record, -1 none
  SizeRule rule;
  uint16_t fixedSize;  // bytes, for SizeRule::Fixed
  uint8_t referenceWordCount;
  std::array<uint8_t, kMaxReferenceWords> referenceWords;
};

// Indexed by -kind - 1.
inline constexpr std::array<KindInfo, 33> kKindTable = {{
    {kKindObjectArray, 31, SizeRule::IntElements, 0, 0, {}},
    {kKindByteArray, 8, SizeRule::ByteElements, 0, 0, {}},
    {kKindCharArray, 5, SizeRule::CharElements, 0, 0, {}},
    {kKindIntArray, 10, SizeRule::IntElements, 0, 0, {}},
    {kKindLongArray, 11, SizeRule::LongElements, 0, 0, {}},
    {kKindMethod, 12, SizeRule::Method, 0, 3, {1, 2, 3}},
    {kKindCompiledCode, 15, SizeRule::CompiledCode, 0, 1, {4}},
    {kKindConstantPool, 13, SizeRule::ConstantPool, 0, 1, {2}},
    {kKindSymbol, 14, SizeRule::Symbol, 0, 0, {}},
    {kKindInstanceClass, 3, SizeRule::OwnSize, 0, 8, {3, 4, 5, 6, 7, 8, 9, 11}},
    {kKindObjectArrayClass, 2, SizeRule::OwnSize, 0, 8, {3, 4, 5, 6, 7, 8, 9, 11}},
    {kKindTypeArrayClass, 1, SizeRule::OwnSize, 0, 8, {3, 4, 5, 6, 7, 8, 9, 11}},
    {kKindOneWordNear, -1, SizeRule::Fixed, 4, 0, {}},
    {kKindNear, -1, SizeRule::Fixed, 12, 1, {1}},
    {kKindMethodNear, -1, SizeRule::Fixed, 8, 1, {1}},
    {kKindClassOfKind, 0, SizeRule::OwnSize, 0, 1, {3}},
    {kKindZipStream, 16, SizeRule::Fixed, 120, 2, {27, 28}},
    {kKindArgumentBlock, 17, SizeRule::ArgumentBlock, 0, 2, {2, 3}},
    {kKindClassLoading, 18, SizeRule::Fixed, 44, 6, {1, 3, 4, 5, 8, 10}},
    {kKindStackChunk, 22, SizeRule::StackChunk, 0, 0, {}},
    {kKindClassInfo, 21, SizeRule::OwnSize, 0, 1, {3}},
    {-22, -1, SizeRule::None, 0, 0, {}},
    {-23, -1, SizeRule::None, 0, 0, {}},
    {-24, -1, SizeRule::None, 0, 0, {}},
    {-25, -1, SizeRule::None, 0, 0, {}},
    {-26, -1, SizeRule::None, 0, 0, {}},
    {-27, -1, SizeRule::None, 0, 0, {}},
    {kKindStackMap, 20, SizeRule::IntElements, 0, 0, {}},
    {kKindThread, 36, SizeRule::Fixed, 104, 12, {3, 4, 5, 9, 10, 12, 13, 17, 18, 21, 24, 25}},
    {kKindCompiler32, 37, SizeRule::Fixed, 32, 2, {1, 5}},
    {kKindCompiler20, 35, SizeRule::Fixed, 20, 1, {2}},
    {kKindCompiler40, 34, SizeRule::Fixed, 40, 2, {3, 9}},
    {kKindMonitor, 19, SizeRule::Fixed, 20, 4, {1, 2, 3, 4}},
}};

constexpr const KindInfo& vsKind_info(int kind) { return kKindTable[static_cast<unsigned>(-kind - 1)]; }

// The reference map of a kind in the collector's encoding, 0-terminated.
inline constexpr int kMaxMapBytes = 32;
using KindMap = std::array<uint8_t, kMaxMapBytes>;

constexpr KindMap vsKind_buildMap(const KindInfo& k) {
  KindMap map{};
  int out = 0;
  int at = 0;
  for (int i = 0; i < k.referenceWordCount; ++i) {
    int step = k.referenceWords[i] - at;
    while (step > 254) {
      map[out++] = 255;
      step -= 254;
    }
    map[out++] = static_cast<uint8_t>(step);
    at = k.referenceWords[i];
  }
  map[out] = 0;
  return map;
}

namespace kind_detail {
constexpr bool tableIsConsistent() {
  for (int i = 0; i < 33; ++i) {
    const KindInfo& k = kKindTable[i];
    if (k.kind != -i - 1) return false;
    if ((k.rule == SizeRule::Fixed) != (k.fixedSize != 0)) return false;
    if (k.fixedSize % 4 != 0) return false;
    int previous = 0;
    for (int j = 0; j < k.referenceWordCount; ++j) {
      // Strictly increasing word numbers inside the record, never word 0.
      if (k.referenceWords[j] <= previous) return false;
      if (k.rule == SizeRule::Fixed && k.referenceWords[j] * 4 >= k.fixedSize) return false;
      previous = k.referenceWords[j];
    }
  }
  return true;
}

constexpr bool mapDecodes(const KindInfo& k) {
  const KindMap m = vsKind_buildMap(k);
  int at = 0;
  int n = 0;
  for (int i = 0; m[i] != 0; ++i) {
    if (m[i] == 255) {
      at += 254;
      continue;
    }
    at += m[i];
    if (n >= k.referenceWordCount || k.referenceWords[n] != at) return false;
    ++n;
  }
  return n == k.referenceWordCount;
}

constexpr bool allMapsDecode() {
  for (const KindInfo& k : kKindTable)
    if (!mapDecodes(k)) return false;
  return true;
}
}  // namespace kind_detail

static_assert(kind_detail::tableIsConsistent());
static_assert(kind_detail::allMapsDecode());
static_assert(vsKind_buildMap(vsKind_info(kKindThread))[0] == 3 &&
              vsKind_buildMap(vsKind_info(kKindThread))[11] == 1 &&
              vsKind_buildMap(vsKind_info(kKindThread))[12] == 0);

// The maps of the internal kinds, as the class records of the kinds point to
// them (an empty map is a single 0 byte).
const uint8_t* vsKind_map(int kind);
