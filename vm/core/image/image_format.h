// The form of the class image: what the romizer writes and the loader reads.
//
// The image is one read-only section of the program (".vsimage", never
// writable), made of runs of little-endian 32-bit words; every pointer in it
// is an absolute address of the program as linked:
//
//   header        1, lookup option (bit 0), version 1, 0
//   read-only part                         used in place
//   read-only size, writable-block flag (1)
//   heap part                              copied into the Java heap
//   writable block                         copied to the writable area
//   writable-area size, block size, heap size, 0
//   persistent roots 0..58, roots size (236)
//   well-known symbols (one word per slot)
//   symbol hash    bucket count, bucketCount + 1 run starts
//   string hash    bucket count, 0, bucketCount + 1 run starts
//   package list   0, then {length byte, name}..., zero padding to a word
//   class-id count
//   string table   n pairs of u16 {offset step, length}, then n
//   entry words    the initial method-entry table, then its size in bytes
//   descriptor     ImageDescriptor below (symbol vsImage_descriptor)
//
// Two regions live among the zeroed VM variables (".vmbss"), so that the
// section reset clears them before every run and the loader fills them:
// the writable area (vsImage_writableArea) and the method-entry table
// (vsImage_entryTable).
//
// The descriptor gives the address of every part, because the size words
// follow their parts and the package list has no length; the loader
// compares each size word with it. A program without an image links a
// descriptor whose header word is 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

inline constexpr uint32_t kImageVersion = 1;
inline constexpr uint32_t kImageHeaderWords = 4;
inline constexpr uint32_t kImageLookupOptionBit = 0x1;  // header word 1
inline constexpr uint32_t kImageRootCount = 59;
// The larger of the read-only part and the heap part stays below this.
inline constexpr uint32_t kImageMaxPartBytes = 4u << 20;

struct ImageDescriptor {
  VmWord header;              // the four header words; 0: no image linked
  VmWord readOnly;            // read-only part
  uint32_t readOnlySize;
  VmWord heapPart;            // heap part (image copy)
  uint32_t heapSize;
  VmWord writableBlock;       // writable block (image copy)
  uint32_t blockSize;
  VmWord writableArea;        // the region in .vmbss
  uint32_t writableSize;
  VmWord entryWords;          // initial entry-table words (image)
  VmWord entryTable;          // the region in .vmbss
  uint32_t entrySize;         // bytes
  VmWord roots;               // 59 words
  uint32_t rootsSize;         // bytes
  VmWord wellKnownSymbols;    // one word per well-known slot
  uint32_t wellKnownCount;
  VmWord symbolHash;          // RomSymbolTable
  VmWord stringHash;          // RomStringTable
  VmWord packageList;
  VmWord classIdCount;        // address of the class-id count word
  VmWord stringTable;         // n u16 pairs
  uint32_t stringCount;
  VmWord sharedChars;         // char[] holding the text of every image String
  VmWord mergedPool;          // ConstantPool
  VmWord symbolArea[2];       // [start, end) of every image symbol
  VmWord fieldTypeSymbols[2]; // sub-range of encoded field types
  VmWord signatureSymbols[2]; // sub-range of encoded method signatures
};

static_assert(sizeof(ImageDescriptor) == 4 * 30);
static_assert(offsetof(ImageDescriptor, roots) == 48 && offsetof(ImageDescriptor, mergedPool) == 92);

extern "C" const ImageDescriptor vsImage_descriptor;
