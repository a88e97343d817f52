// The layout of the class image: every record that the image holds, where
// it goes and what each of its words is.
//
// The records are found from the roots, the well-known symbols, the class
// table, the merged pool, the class hash table, the interned Strings and the
// method-entry slots, following every reference and untraced address that
// the kind table and the record layouts name (never a word's value). Each
// record goes to one part:
//
//   read-only part  the shared char array; the class records of the
//                   internal kinds with their nears; class-info records;
//                   methods arrays, field tables, local-interface lists,
//                   exception tables; method records (packed, leading
//                   items left out); the merged pool and its tag array;
//                   the kinds' reference maps; the symbols without header
//                   (names, then field types, then signatures)
//   heap part       instance class records, their nears and mirrors, array
//                   classes other than the block's nine, the class table,
//                   the class hash table, roots 40 to 43 and whatever Java
//                   objects the statics reach
//   writable block  the eight primitive array classes and Object[] with
//                   their nears, and the String near, each behind its class
//                   word; a last word naming String
//   writable area   the block, then one 16-byte String per interned String
//
// Every part is ordered by the walk, which starts from named roots and
// follows words in record order, so no address decides an order. The
// layout checks the image's invariants before anything is written; any
// breach ends the romizer (romizer_fail).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/romizer/romizer_model.h"

enum class ImagePart : uint8_t { ReadOnly, Heap, Block, Strings };

// What a word of an emitted record is.
enum class WordKind : uint8_t {
  Scalar,     // written as its value
  Reference,  // a record of the image, or 0
  Address,    // an untraced address: a record's inside, a map, an entry slot
  Entry,      // a method entry (entry record - 20)
  Function,   // a function of the program (native, finalizer)
};

struct ImageWord {
  WordKind kind;
  VmWord value;       // the word in the romizer's heap
  VmWord at;          // the word's address in the romizer's heap
};

struct ImageRecord {
  VmRef ref = 0;          // start of the record in the romizer's heap (or a map's address)
  uint32_t size = 0;      // bytes of the whole record
  uint32_t skip = 0;      // leading bytes that are not stored
  ImagePart part = ImagePart::ReadOnly;
  uint32_t offset = 0;    // offset of the record's start in its part
  VmRef classWord = 0;    // block records: the class word in front
  bool map = false;       // a reference map of the program, not a heap record
  std::vector<ImageWord> words;
};

struct ImageLayout {
  std::vector<ImageRecord> readOnly;
  std::vector<ImageRecord> heap;
  std::vector<ImageRecord> block;
  uint32_t readOnlySize = 0;
  uint32_t heapSize = 0;
  uint32_t blockSize = 0;   // with the class words and the last word
  VmRef stringClass = 0;    // the block's last word

  VmRef sharedChars = 0;
  std::vector<VmRef> strings;                       // writable-area order
  std::vector<std::pair<uint16_t, uint16_t>> stringPairs;  // {offset step, length}
  uint32_t stringRunsOffset = 0;  // Object[] of the Strings in order, in the read-only part
  uint32_t stringBuckets = 0;
  std::vector<uint32_t> stringBucketStarts;         // string indexes, buckets + 1

  VmRef roots[59] = {};
  std::vector<VmRef> wellKnown;
  std::vector<std::string> packages;
  uint32_t classIdCount = 0;

  // Symbol area and its sub-ranges, as offsets in the read-only part.
  uint32_t symbolStart = 0, symbolEnd = 0;
  uint32_t fieldTypeStart = 0, fieldTypeEnd = 0;
  uint32_t signatureStart = 0, signatureEnd = 0;

  uint32_t methodCount = 0;
  uint32_t symbolCount = 0;
};

// Lays the model out and checks it. The merged pool gains the symbols that
// the later passes made (romizer_addPoolSymbols).
ImageLayout romizer_layOut(RomizerModel& model);

// Where a word that names something of the image points, as a label of the
// output plus an offset; ok false when it points nowhere the image knows.
struct ImageTarget {
  ImagePart part;
  uint32_t offset;
  bool ok;
};

class ImageAddressMap {
 public:
  explicit ImageAddressMap(const ImageLayout& layout);
  ImageTarget find(VmWord address) const;

 private:
  struct Range {
    VmWord start;
    uint32_t size;
    ImagePart part;
    uint32_t offset;
  };
  std::vector<Range> ranges_;
};
