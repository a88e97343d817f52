// Type indexes of the verifier: classes with preassigned indexes are looked
// up in the VM's table; the others in a verification context's table of
// {class id, type index} pairs.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"

struct TypeIndexTable {
  VmPtr<const int32_t> entries;  // by class id
  uint32_t count;                // ids below this have preassigned indexes
};

struct VerifierTypeContext {
  VmPtr<const int32_t> pairs;    // {class id, type index} ...
  uint32_t pairWords;            // words in the table, 2 per pair
};

extern VmVariable<TypeIndexTable> vsVerifier_presetTypeIndexes;

// The preset entry for an id below the preset count; otherwise the
// position (in steps of 2) of the id in the context's pairs, or -1.
int32_t vsVerifier_typeIndex(const VerifierTypeContext* context, uint32_t id);
