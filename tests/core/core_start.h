// Starting the core without a class image for tests and test tools, and a
// snapshot of the started core that later tests and fuzz inputs restore.
//
// The boot reserves memory for a fixed heap, registers the system library as
// "/sys.jar" and an optional application archive as "/app.jar" (the class
// path names both), starts the core without an image, and then ends the
// start-up phase unless the image-building flag is set. Fatal errors leave
// through the innermost exit point, which the caller provides.
//
// The snapshot copies everything a run changes: the VM-variable sections,
// the heap from its start to the allocation top and the side table of the
// heap (bitmap and block table). Restoring copies them back, so the heap,
// the tables and every VM variable are as they were at the snapshot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint32_t kTestCoreHeapBytes = 16u << 20;

// The bytes of a file, or an empty vector.
std::vector<uint8_t> vsTestCore_readFile(const std::string& path);

// False when the memory or the heap cannot be set up.
bool vsTestCore_boot(const std::vector<uint8_t>& library, const std::vector<uint8_t>& application,
                     uint32_t heapBytes);

void vsTestCore_snapshot();
void vsTestCore_restore();
