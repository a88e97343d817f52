// Shared by the descriptor fuzz targets: inputs copied so that they end at
// an inaccessible page, and callback environments over a low block
// allocator whose blocks are followed by poisoned red zones (in the
// sanitizer builds), so any read outside an input or a block is reported.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/services/descriptor/descriptor_codes.h"

// Inputs longer than this are skipped.
inline constexpr size_t kVsFuzzLargestInput = size_t{4} << 20;

// The input copied to the end of a low region that an inaccessible page
// follows; valid until the next call.
const uint8_t* vsDescriptorFuzz_guarded(const uint8_t* data, size_t size);

// A fresh callback environment; vsDescriptorFuzz_finish finalises it and
// traps when any of its blocks is still allocated.
OamsHandle vsDescriptorFuzz_env();
void vsDescriptorFuzz_finish(OamsHandle env);

// A zero-filled block of the environments' allocator (a read past it is
// reported), and back.
void* vsDescriptorFuzz_alloc(size_t bytes);
void vsDescriptorFuzz_free(void* block);
