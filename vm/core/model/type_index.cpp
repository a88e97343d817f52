// Verifier type indexes (see type_index.h).
#include "vm/core/model/type_index.h"

VS_VMBSS(TypeIndexTable) vsVerifier_presetTypeIndexes{};

int32_t vsVerifier_typeIndex(const VerifierTypeContext* context, uint32_t id) {
  const TypeIndexTable& preset = vsVerifier_presetTypeIndexes;
  if (id < preset.count) return preset.entries.get()[id];
  const int32_t* pairs = context->pairs.get();
  for (uint32_t i = 0; i + 1 < context->pairWords; i += 2)
    if (static_cast<uint32_t>(pairs[i]) == id) return static_cast<int32_t>(i);
  return -1;
}
