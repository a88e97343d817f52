// The snapshot of the VM-variable sections, taken first thing in main.
//
// Before any VM code runs, the program copies ".vmdata" into a low block and
// describes both sections in one JKT_Section_Info record. Before every run
// the VM asks for the record (JkSectionGetInfoR2) and restores its variables
// from it. The first six fields are VM words the VM reads; the last two are
// the host's own (the copy, freed with the record, and an image base that
// ELF programs do not need: 0).
//
//   | type=2 | dataAddress | dataSize | bssAddress | bssSize | initDataAddress | copy | imageBase |
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

struct JKT_Section_Info {
  uint32_t type;
  uint32_t dataAddress;
  uint32_t dataSize;
  uint32_t bssAddress;
  uint32_t bssSize;
  uint32_t initDataAddress;
  VmPtr<uint8_t> copy;
  uint32_t imageBase;
};
static_assert(sizeof(JKT_Section_Info) == 32);
static_assert(offsetof(JKT_Section_Info, dataAddress) == 4 &&
              offsetof(JKT_Section_Info, dataSize) == 8 &&
              offsetof(JKT_Section_Info, bssAddress) == 12 &&
              offsetof(JKT_Section_Info, bssSize) == 16 &&
              offsetof(JKT_Section_Info, initDataAddress) == 20 &&
              offsetof(JKT_Section_Info, copy) == 24 && offsetof(JKT_Section_Info, imageBase) == 28);

// Takes the snapshot (replacing an earlier one); false when low memory is
// exhausted.
bool SectionSnapshotCreate();
void SectionSnapshotDelete();

// The snapshot record with *count = 1, or null with *count = 0 when there is
// no snapshot.
JKT_Section_Info* JkSectionGetInfoR2(int32_t* count);
