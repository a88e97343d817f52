// The "rom" connector: read-only files built into the program.
//
// Two back ends serve the same operations. Normally the built-in tree
// (storage/romtree.h) with 10 open slots {in use, data, size, position,
// is-directory listing, node} and a registration table of 32 memory blocks
// found by name as the single component of a path. When the image file
// "gfs://java/OJFS2_Rom.bin" exists and checks out at initialisation, the
// image back end (storage/romimage.h) serves instead; the mode stays until
// shutdown. ojfs_rom_getFileDataPointer always answers from the tree.
//
// Both back ends name a listed entry "//" + its ancestors' names, each
// followed by "/", + its own name. Writing operations fail with code 17.
#pragma once

#include <cstdint>

#include "storage/ojfs.h"

constexpr int32_t kRomTreeSlots = 10;
constexpr int32_t kRomRegistrations = 32;
constexpr int32_t kRomNameBytes = 256;

int32_t rom_connectorInit(OjfsConnector* connector);

// The bytes of a built-in (or registered) file of a "rom://" URI, its size
// in *size; NULL for another scheme (with a trace report), a directory or a
// missing file (code 1).
const uint8_t* ojfs_rom_getFileDataPointer(const char* uri, uint32_t* size);
// Makes a memory block a file; replaces a registration of the same name;
// -1 with code 7 when all 32 are taken. The block must outlive it.
int32_t ojfs_rom_registerFile(const char* name, const uint8_t* data, uint32_t size);
// -1 with code 1 when the name is not registered.
int32_t ojfs_rom_unregisterFile(const char* name);
// Whether the connector serves the image file (set at initialisation).
bool ojfs_rom_imageMode();

// The connector's error word, shared by both back ends (also the code of a
// failed registration or data-pointer call).
int32_t rom_lastError();
int32_t rom_fail(int32_t code);
void rom_setError(int32_t code);
