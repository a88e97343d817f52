// The merged constant pool of the image: one pool in place of every
// class's pool.
//
// The merged pool holds only the entries that something of the image names,
// each once (equal entries of different classes become one), at most 65535:
//
//   0                 unused
//   1 .. L            the constants that ldc and ldc_w load (ldc's own first)
//   L+1 .. K-1        every other entry, in the order the classes (by id),
//                     their fields and methods, and the code (by bci) first
//                     name them
//   K .. count-1      one tag-1 entry for every symbol of the image, grouped
//                     by symbol-hash bucket in bucket order, each bucket
//                     sorted by the symbol's bytes
//
// so that the image's symbol hash can name its runs by pool index
// (RomizerModel::symbolBucketStarts; bucket b is [starts[b], starts[b+1])).
// The hash is h = h * 31 + byte (unsigned) mod the bucket count, about one
// bucket per two symbols. Nothing in the pool's order depends on an address.
//
// Every pool index that a record holds follows the merge: the operands of
// the code (every opcode with a pool operand), method name and signature
// indexes, the field tables' name, signature and constant-value indexes,
// the catch types of the exception tables, and the name-and-type and class
// halves of member references. Every method gets flag 0x0200 and the merged
// pool in its item 2; every class its class-info item 9. An ldc whose
// constant lands above 255 is widened to ldc_w (romizer_widenLdc).
#pragma once

#include <set>
#include <vector>

#include "tools/romizer/romizer_model.h"

// Adds symbols that a later pass made to the symbol run of the merged pool:
// the run is rebuilt in bucket order (the other entries keep their
// indexes), and every index of a tag-1 entry is rewritten. The merged pool
// is replaced by a new record everywhere.
void romizer_addPoolSymbols(RomizerModel& model, const std::vector<VmRef>& symbols);

// The hash bucket of a symbol for a bucket count.
uint32_t romizer_symbolBucket(VmRef symbol, uint32_t bucketCount);
