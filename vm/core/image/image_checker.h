// The check of a loaded class image (the launcher's --check-image).
//
// Run right after loading, it checks, against the descriptor:
//   - the size and layout words (image_loader.h);
//   - that the heap-part copy and the writable area walk to their exact
//     ends by the size rule;
//   - every reference word of those objects (headers, class maps, kind
//     maps, object arrays, the writable area's class words): null, an
//     object start in the Java heap, an object of the writable area or a
//     word of the read-only part; never the image's own heap part;
//   - that no reference word of the read-only part (records of the internal
//     kinds, class infos with their tables, methods and method records, the
//     merged pool's reference entries) nor of the image's tables points
//     into the Java heap or into the image's heap part;
//   - the string table's sums against the Strings built from it, and that
//     every String and every symbol is found through its hash;
//   - that each class-table slot holds the class of that id;
//   - every method: its code walks to its end, its pool operands are in
//     range with the tags their opcodes expect, and of the slow opcodes
//     only getstatic, putstatic, invokestatic and new remain; its entry
//     word is the start of an entry record, as is every word of the
//     method-entry table;
//   - that virtual- and interface-table entries are method records;
//   - the roots 0 to 58.
// Each fault prints one line "image fault: <where>: <what>"; a clean image
// prints "image ok: N objects, M references".
#pragma once

#include <cstdint>

#include "vm/core/image/image_format.h"
#include "vm/core/startup/output_stream.h"

struct ImageCheckCounts {
  uint32_t objects;     // heap-part copy and writable area
  uint32_t references;  // reference words checked
  uint32_t faults;
};

ImageCheckCounts vsImage_check(const ImageDescriptor* image, const VsOutputStream* out);
