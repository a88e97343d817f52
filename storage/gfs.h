// The "gfs" connector: storage URIs "gfs://ROOT/path" onto files of the CE
// file system under the storage roots (storage/roots.h).
//
// State: a copy of the five gfs roots made at initialisation {name, physical
// directory ending in "\"}; 8 handle slots {in use, kind (1 file, 2
// directory listing, 3 listing of the roots), CE handle or listing, URI path
// (128 bytes)}; the last-error word. A listing holds the UTF-8 names of one
// directory in 256-byte cells.
//
// Invariants: a path translates only through a root of the copy, matched
// exactly; "." and ".." components, and "\" inside one, are a bad path, so
// no URI leaves its root. A rename replaces an existing target atomically.
// A file held by another open is retried for up to 1 s before the open
// fails. The free space is the smaller of 16 MiB and what the disk offers.
#pragma once

#include <cstdint>

#include "storage/ojfs.h"

constexpr int32_t kGfsSlots = 8;
constexpr int32_t kGfsPathBytes = 128;
constexpr int32_t kGfsNameBytes = 256;
constexpr int32_t kGfsFreeSpace = 16777216;

int32_t gfs_connectorInit(OjfsConnector* connector);

// Translates the path a connector receives ("//java/a") into a CE path into
// out (kGfsPathBytes); 0, or -1 for a bad path. An empty path gives "". The
// connector must have been initialised.
int32_t gfs_translatePath(const char* path, char* out);
