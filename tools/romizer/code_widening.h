// Widening of ldc to ldc_w in the code of a loaded method.
//
// The merged pool gives the constants that ldc loads the lowest indexes;
// an ldc whose constant lands above 255 becomes the 3-byte ldc_w. The code
// is laid out again, instruction by instruction from its start:
//   - a widened ldc is [19, index high byte, index low byte];
//   - a tableswitch or lookupswitch gets the padding that its new bci
//     needs (its operand words start at the next multiple of 4); since a
//     switch's padding depends only on the instructions before it, one
//     pass from the start gives a layout that is already stable;
//   - every other instruction keeps its length and bytes;
//   - every branch offset (if<cond>, goto, ifnull, ifnonnull, goto_w and
//     the switches' offsets) is recomputed from the new bcis of the branch
//     and its target.
// The code is in the form the load-time preparation leaves: operands
// big-endian as in the class file, except the switches' operand words,
// which are in machine order; the new code keeps that form.
//
// One map from old to new bcis serves the code, the exception table (start,
// handler, and the exclusive end, which may be the code's end) and the
// parser's stack map (frame offsets and the new-site offsets of its items).
//
// Failures: code that is longer than 65535 bytes after widening, a site
// that is not an ldc, a branch or table entry that does not hit an
// instruction, a 16-bit branch offset or a new-site offset that no longer
// fits; each ends the romizer naming the class and the method.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/romizer/romizer_model.h"

// Where the instructions of the old code lie in the new code: the starts
// of the old instructions in ascending order, then the old code's length,
// and the same places in the new code.
struct BciMap {
  std::vector<uint32_t> oldBcis;
  std::vector<uint32_t> newBcis;
};

// The new bci of an old bci that starts an instruction or is the end of the
// code: true and *newBci; false for any other bci.
bool romizer_newBci(const BciMap& map, uint32_t oldBci, uint32_t* newBci);

struct WidenedCode {
  std::vector<uint8_t> code;
  BciMap bcis;
};

// Lays out `length` bytes of prepared code with the listed ldc widened.
// Returns "" with *out filled, or what keeps the code from being widened.
std::string romizer_widenCode(const uint8_t* code, uint32_t length, const std::vector<LdcWidening>& sites,
                              WidenedCode* out);
