// The built-in ROM tree, generated at build time by tools/romfs/romfs.py
// from storage/rom/manifest.txt.
//
// Node 0 is the unnamed root; parent, first child and next sibling are node
// indexes, -1 ending a chain; siblings are in listing order. A directory
// has no data.
#pragma once

#include <cstdint>

struct RomNode {
  const char* name;
  const uint8_t* data;
  uint32_t size;
  int32_t parent;
  int32_t firstChild;
  int32_t nextSibling;
  bool isDirectory;
};

extern const RomNode kRomNodes[];
extern const int32_t kRomNodeCount;
