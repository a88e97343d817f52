// What the romizer's passes share: the loaded system classes in the
// romizer's own Java heap, and the decisions each pass leaves for the image
// writer.
//
// The passes run in this order on the classes that the image-less start and
// the class loading left in the heap (nothing of Java runs):
//
//   1. load         every class of the input JARs, ids in load order
//   2. merge pools  one merged pool in place of every class's pool; the
//                   operands of the code follow, ldc widens where needed
//   3. prelink      pre-resolve every entry, pre-quicken, choose entries
//   4. bind natives native, abstract and intrinsic bodies, finalizers
//   5. write        lay out, check, write the assembler file
//
// A word whose value in the image is a symbol of the program (a native
// function, a finalizer) cannot be stored in the model as an address, so a
// pass names it in `symbolWords`, keyed by the word's address in the heap;
// the writer emits ".long symbol" there instead of the word's value.
// Method entries are stored in the model as they would run (entry record -
// 20 of this program's entry table); the writer turns them into
// "<entry symbol>-20".
//
// Every failure ends the romizer through romizer_fail, which names the
// class and the member; no output file is left behind.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "vm/core/model/object_layout.h"

struct RomizerModel {
  // The loaded classes by class id (instance and array classes); ids follow
  // the load order.
  std::vector<VmRef> classes;

  // Pass 2: the merged pool (a ConstantPool in the heap) and, for the
  // symbol hash, the bucket count and the pool index at which each bucket's
  // run of tag-1 entries starts (bucketCount + 1 indexes).
  VmRef mergedPool = 0;
  uint32_t symbolBuckets = 0;
  std::vector<uint32_t> symbolBucketStarts;

  // Pass 3: the methods that get a slot in the method-entry table, in slot
  // order; every other method keeps its entry in its own item 5.
  std::vector<VmRef> entrySlots;

  // Pass 4: words to be written as symbols (heap address of the word ->
  // symbol name), and the natives bound to the unbound body by the list.
  std::map<VmWord, std::string> symbolWords;
  std::vector<std::string> unboundNatives;

  // Test-only: the version word written into the header.
  uint32_t version = 1;
};

// Ends the romizer: prints "romizer: " and the message, removes the output
// file if one was begun, and exits with status 1.
[[noreturn]] void romizer_fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Pass 2: an ldc whose constant's merged pool index is above 255, and that
// index.
struct LdcWidening {
  uint32_t bci;
  uint16_t index;
};

// A new record of the method (code_widening.h) whose code has each listed
// ldc turned into ldc_w of its index, with the branches, switches,
// exception table and stack map following the moved code; it replaces the
// old record in the methods arrays, virtual tables and interface tables of
// every class of the model. Returns only on success.
VmRef romizer_widenLdc(RomizerModel& model, VmRef method, const std::vector<LdcWidening>& sites);

// The passes; each returns only on success.
void romizer_mergePools(RomizerModel& model);
// After the merge, whose widening moved the parser's maps with the code,
// and before pre-linking rewrites it: every instance class is verified,
// which gives its methods their compact stack maps (verification_pass.cpp).
struct VerificationCounts {
  uint32_t classes;
  uint32_t methods;
};
VerificationCounts romizer_verifyClasses(RomizerModel& model);
void romizer_prelink(RomizerModel& model);
void romizer_bindNatives(RomizerModel& model, const char* bindingTable, const char* unboundList);
