// Reference maps of the internal kinds, built from the kind table at compile
// time and kept in read-only data below 4 GiB (the program is not position
// independent), so class records can point at them with a VM word.
#include "vm/core/model/kinds.h"

namespace {

constexpr std::array<KindMap, 33> buildAll() {
  std::array<KindMap, 33> maps{};
  for (int i = 0; i < 33; ++i) maps[i] = vsKind_buildMap(kKindTable[i]);
  return maps;
}

constexpr std::array<KindMap, 33> kMaps = buildAll();
constexpr uint8_t kEmptyMap[1] = {0};

}  // namespace

const uint8_t* vsKind_map(int kind) {
  if (kind >= 0 || kind < kLowestKind) return kEmptyMap;
  return kMaps[static_cast<unsigned>(-kind - 1)].data();
}
