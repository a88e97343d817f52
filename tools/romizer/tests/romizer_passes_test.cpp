// The romizer's passes in process, on the system library and the romizer's
// fixture classes: every pool index means after the merge what it meant
// before, the merged pool has the promised order, the symbol run can be
// grown, and the layout gives each interned String its text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/core/core_start.h"
#include "tools/romizer/class_loading_pass.h"
#include "tools/romizer/image_layout.h"
#include "tools/romizer/image_writer.h"
#include "tools/romizer/pool_merger.h"
#include "tools/romizer/romizer_names.h"
#include "vm/core/bytecode/bci_tables.h"
#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/bytecode/tag_stack.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/vm_control.h"

namespace {

std::string bytesOf(VmRef symbol) { return romizer_symbolText(symbol); }

// What entry i of a pool stands for, independent of where it lies.
std::string describe(const ConstantPool* p, uint32_t i) {
  const uint8_t tag = vsConstantPool_tagAt(p, i);
  const VmWord v = p->entries[i];
  switch (tag) {
    case kTagUtf8:
      return "utf8 " + bytesOf(v);
    case kTagLong:
    case kTagDouble:
      return std::to_string(tag) + " " + std::to_string(v) + " " + std::to_string(p->entries[i + 1]);
    case kTagFieldRef:
    case kTagMethodRef:
    case kTagInterfaceMethodRef:
      return std::to_string(tag) + " (" + describe(p, v & 0xffff) + ") (" + describe(p, v >> 16) + ")";
    case kTagNameAndType:
      return "nat " + bytesOf(p->entries[v & 0xffff]) + " " + bytesOf(p->entries[v >> 16]);
    case kTagUnresolvedClass:
      return "class " + bytesOf(v);
    case kTagUnresolvedString:
      return "string " + bytesOf(v);
    default:
      return std::to_string(tag) + " " + std::to_string(v);
  }
}

uint32_t operandOf(const MethodRecord* m, uint32_t bci) {
  if (m->code[bci] == kOpLdc) return m->code[bci + 1];
  return static_cast<uint32_t>(m->code[bci + 1] << 8 | m->code[bci + 2]);
}

bool hasPoolOperand(uint8_t op) {
  return op == kOpLdc || op == kOpLdcW || op == kOpLdc2W || (op >= kOpGetstatic && op <= kOpInvokeinterface) ||
         op == kOpNew || op == kOpAnewarray || op == kOpCheckcast || op == kOpInstanceof || op == 197;
}

// Every pool meaning a class's records hold, in record order.
std::vector<std::string> meanings(VmRef cls) {
  std::vector<std::string> out;
  const ClassRecord* c = vsRef_as<ClassRecord>(cls);
  const ConstantPool* pool = vsClass_constantPool(c);
  const VmRef fields = vsClass_fields(c);
  if (fields != 0) {
    const ShortArray* table = vsRef_as<ShortArray>(fields);
    const FieldEntry* f = reinterpret_cast<const FieldEntry*>(table->elements);
    for (int32_t i = 0; i < table->length / 5; ++i) {
      out.push_back("field " + describe(pool, f[i].nameIndex) + " " + describe(pool, f[i].signatureIndex));
      if (f[i].constantValueIndex != 0) out.push_back("constant " + describe(pool, f[i].constantValueIndex));
    }
  }
  const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(c));
  for (int32_t k = 0; methods != nullptr && k < methods->length; ++k) {
    VmRef method = methods->elements[k];
    const MethodRecord* m = vsRef_as<MethodRecord>(method);
    out.push_back("method " + describe(pool, m->nameIndex) + " " + describe(pool, m->signatureIndex));
    if ((m->accessFlags & (kMethodNative | kMethodAbstract)) == 0) {
      for (uint32_t bci = 0; bci < m->codeLength; bci += static_cast<uint32_t>(vsBytecodes_lengthAt(&method, bci)))
        if (hasPoolOperand(m->code[bci]))
          out.push_back(std::to_string(bci) + ": " + describe(pool, operandOf(m, bci)));
    }
    if (m->exceptionTable != 0) {
      const ShortArray* t = vsRef_as<ShortArray>(m->exceptionTable);
      for (int32_t i = 3; i < t->length; i += 4)
        out.push_back("catch " + (t->elements[i] != 0 ? describe(pool, static_cast<uint16_t>(t->elements[i])) : "any"));
    }
  }
  return out;
}

class RomizerPassesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    vsVmState().buildingImage = 1;
    ASSERT_TRUE(vsTestCore_boot(vsTestCore_readFile(VS_SYSTEM_LIBRARY), vsTestCore_readFile(VS_ROMIZER_FIXTURES),
                                kTestCoreHeapBytes));
    romizer_loadClasses(model_, {"/sys.jar", "/app.jar"});
    for (VmRef cls : model_.classes)
      if (vsObject_kind(cls) == kKindInstanceClass) before_[romizer_className(cls)] = meanings(cls);
    romizer_mergePools(model_);
    romizer_verifyClasses(model_);
    // The binding pass is not run here: name the finalizer words of the
    // finalizable classes (WeakReference's) as it would.
    for (VmRef cls : model_.classes)
      if (vsObject_kind(cls) == kKindInstanceClass &&
          (vsRef_as<ClassRecord>(cls)->classInfo->accessFlags & kClassFinalizable) != 0)
        model_.symbolWords[cls + offsetof(ClassRecord, finalizer)] = "finalizer_of_" + romizer_className(cls);
  }

  static VmRef classNamed(const std::string& name) {
    for (VmRef cls : model_.classes)
      if (romizer_className(cls) == name) return cls;
    return 0;
  }

  static const ConstantPool* pool() { return vsRef_as<ConstantPool>(model_.mergedPool); }

  static RomizerModel model_;
  static std::map<std::string, std::vector<std::string>> before_;
};

RomizerModel RomizerPassesTest::model_;
std::map<std::string, std::vector<std::string>> RomizerPassesTest::before_;

TEST_F(RomizerPassesTest, LoadsTheStartsClassesFirstThenTheOthersByName) {
  ASSERT_NE(classNamed("romizer/fixture/Sample"), 0u);
  // Object after the nine primitive and Object[] array classes and the
  // stubs of Class and String, which its constant pool names.
  EXPECT_EQ(vsClass_id(vsRef_as<ClassRecord>(classNamed("java/lang/Object"))), 11u);
  // Child needs Parent first; the rest follow their names.
  EXPECT_LT(vsClass_id(vsRef_as<ClassRecord>(classNamed("romizer/fixture/Parent"))),
            vsClass_id(vsRef_as<ClassRecord>(classNamed("romizer/fixture/Child"))));
  EXPECT_LT(vsClass_id(vsRef_as<ClassRecord>(classNamed("romizer/fixture/Child"))),
            vsClass_id(vsRef_as<ClassRecord>(classNamed("romizer/fixture/Sample"))));
}

// Every index that a field table, a method, its code or its handlers hold
// names an entry of the merged pool that means what the class's own entry
// meant.
TEST_F(RomizerPassesTest, EveryIndexKeepsItsMeaning) {
  for (VmRef cls : model_.classes) {
    if (vsObject_kind(cls) != kKindInstanceClass) continue;
    EXPECT_EQ(vsClass_constantPool(vsRef_as<ClassRecord>(cls)), pool());
    EXPECT_EQ(meanings(cls), before_.at(romizer_className(cls))) << romizer_className(cls);
  }
}

TEST_F(RomizerPassesTest, EveryMethodUsesTheMergedPool) {
  for (VmRef cls : model_.classes) {
    const VmRef methods = vsObject_kind(cls) == kKindInstanceClass ? vsClass_methods(vsRef_as<ClassRecord>(cls)) : 0;
    for (int32_t i = 0; methods != 0 && i < vsRef_as<ObjectArray>(methods)->length; ++i) {
      const MethodRecord* m = vsRef_as<MethodRecord>(vsRef_as<ObjectArray>(methods)->elements[i]);
      EXPECT_NE(m->accessFlags & kMethodMergedPool, 0);
      EXPECT_EQ(m->constantPool.get(), pool());
    }
  }
}

// Equal entries of different classes are one entry; the string "child"
// that Child and Sample load is among them.
TEST_F(RomizerPassesTest, EntriesAreUnique) {
  std::set<std::string> seen;
  for (uint32_t i = 1; i < pool()->count; ++i) {
    const uint8_t tag = vsConstantPool_tagAt(pool(), i);
    EXPECT_TRUE(seen.insert(describe(pool(), i)).second) << i << " " << describe(pool(), i);
    if (tag == kTagLong || tag == kTagDouble) ++i;
  }
  EXPECT_EQ(seen.count("string child"), 1u);
}

// The constants of ldc come first; the symbols come last, every one in the
// run of its bucket, each run sorted.
TEST_F(RomizerPassesTest, PoolOrderServesLdcAndTheSymbolHash) {
  std::set<uint32_t> ldc;
  uint32_t highestLdc = 0;
  for (VmRef cls : model_.classes) {
    if (vsObject_kind(cls) != kKindInstanceClass) continue;
    const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(vsRef_as<ClassRecord>(cls)));
    for (int32_t k = 0; k < methods->length; ++k) {
      VmRef method = methods->elements[k];
      const MethodRecord* m = vsRef_as<MethodRecord>(method);
      if ((m->accessFlags & (kMethodNative | kMethodAbstract)) != 0) continue;
      for (uint32_t bci = 0; bci < m->codeLength; bci += static_cast<uint32_t>(vsBytecodes_lengthAt(&method, bci)))
        if (m->code[bci] == kOpLdc || m->code[bci] == kOpLdcW) {
          ldc.insert(operandOf(m, bci));
          highestLdc = std::max(highestLdc, operandOf(m, bci));
        }
    }
  }
  ASSERT_FALSE(ldc.empty());
  EXPECT_EQ(highestLdc, ldc.size());
  const uint32_t buckets = model_.symbolBuckets;
  ASSERT_EQ(model_.symbolBucketStarts.size(), buckets + 1);
  EXPECT_EQ(model_.symbolBucketStarts.back(), pool()->count);
  const uint32_t symbols = pool()->count - model_.symbolBucketStarts.front();
  EXPECT_LE(buckets, symbols / 2 + 1);
  EXPECT_GE(buckets, symbols / 2);
  for (uint32_t b = 0; b < buckets; ++b) {
    for (uint32_t i = model_.symbolBucketStarts[b]; i < model_.symbolBucketStarts[b + 1]; ++i) {
      ASSERT_EQ(vsConstantPool_tagAt(pool(), i), kTagUtf8);
      EXPECT_EQ(romizer_symbolBucket(pool()->entries[i], buckets), b);
      if (i > model_.symbolBucketStarts[b]) {
        EXPECT_LT(bytesOf(pool()->entries[i - 1]), bytesOf(pool()->entries[i]));
      }
    }
  }
  for (uint32_t i = 1; i < model_.symbolBucketStarts.front(); ++i) EXPECT_NE(vsConstantPool_tagAt(pool(), i), kTagUtf8);
}

// A symbol made after the merge joins the run of its bucket; every index
// still means what it meant.
TEST_F(RomizerPassesTest, LaterSymbolsJoinTheRun) {
  const VmRef added = vsSymbol_fromCString("romizer/fixture/AddedLater", false);
  ASSERT_NE(added, 0u);
  const uint32_t count = pool()->count;
  romizer_addPoolSymbols(model_, {added});
  EXPECT_EQ(pool()->count, count + 1);
  const uint32_t b = romizer_symbolBucket(added, model_.symbolBuckets);
  bool found = false;
  for (uint32_t i = model_.symbolBucketStarts[b]; i < model_.symbolBucketStarts[b + 1]; ++i)
    found |= pool()->entries[i] == added;
  EXPECT_TRUE(found);
  for (VmRef cls : model_.classes)
    if (vsObject_kind(cls) == kKindInstanceClass) {
      EXPECT_EQ(meanings(cls), before_.at(romizer_className(cls)));
    }
}

// Interned Strings become the writable area's Strings: ordered by bucket,
// each pair's steps leading to its own text in the shared char array.
// Every method with a branch, a switch or a handler has a compact map whose
// entries rise strictly at instruction starts, and the simulator types the
// frame at every instruction start within the frame, without allocating.
TEST_F(RomizerPassesTest, StackMapsTypeEveryInstructionStart) {
  int typed = 0;
  for (VmRef cls : model_.classes) {
    if (vsObject_kind(cls) != kKindInstanceClass) continue;
    const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(vsRef_as<ClassRecord>(cls)));
    for (int32_t i = 0; i < methods->length; ++i) {
      VmHandle method;
      vsHandle_push(&method, methods->elements[i]);
      const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
      const std::string name = romizer_methodName(method.object);
      if (vsMethod_isNative(m) || vsMethod_isAbstract(m)) {
        EXPECT_EQ(vsMethod_stackmap(m), 0u) << name;
        vsHandle_close(&method);
        continue;
      }
      VmHandle starts;
      vsHandle_push(&starts, vsBytecodes_scanInstructionStarts(&method.object));
      ASSERT_NE(starts.object, 0u) << name;
      VmHandle map;
      vsHandle_push(&map, vsMethod_stackmap(m));
      bool branches = m->exceptionTable != 0 && vsRef_as<ShortArray>(m->exceptionTable)->length > 0;
      for (uint32_t bci = 0; bci < m->codeLength; ++bci) {
        if (vsRef_as<ByteArray>(starts.object)->elements[bci] == 0) continue;
        const uint8_t op = m->code[bci];
        branches |= (op >= kOpIfeq && op <= kOpGoto) || op == kOpIfnull || op == kOpIfnonnull || op == kOpGotoW ||
                    op == kOpTableswitch || op == kOpLookupswitch;
      }
      if (branches) {
        ASSERT_NE(map.object, 0u) << name << " has branches but no map";
        ASSERT_EQ(vsObject_kind(map.object), kKindStackMap) << name;
      }
      if (map.object != 0) {
        const CountedRecord* c = vsRef_as<CountedRecord>(map.object);
        for (uint32_t e = 0; e < c->count; ++e) {
          const uint32_t bci = vsStackMap_bci(c, e);
          EXPECT_TRUE(e == 0 || bci > vsStackMap_bci(c, e - 1)) << name << " entry " << e;
          EXPECT_TRUE(bci < m->codeLength && vsRef_as<ByteArray>(starts.object)->elements[bci] != 0)
              << name << " entry " << e << " at " << bci;
        }
      }
      for (uint32_t bci = 0; bci < m->codeLength; ++bci) {
        if (vsRef_as<ByteArray>(starts.object)->elements[bci] == 0) continue;
        const VmWord top = vsVmGlobals.allocationTop;
        vsTagStackClosure closure(&method.object);
        ASSERT_NE(vsTagStackClosure_computeTagsAt(&closure, &map.object, bci), 0u) << name;
        EXPECT_GE(closure.top, m->maxLocals) << name << " at " << bci;
        EXPECT_LE(closure.top, uint32_t{m->maxLocals} + m->maxStack) << name << " at " << bci;
        EXPECT_EQ(vsVmGlobals.allocationTop, top) << name << " at " << bci;
        EXPECT_TRUE(closure.exact) << name << " at " << bci;
        ++typed;
      }
      vsHandle_close(&method);
    }
  }
  EXPECT_GT(typed, 400);
}

TEST_F(RomizerPassesTest, LayoutGivesEveryStringItsText) {
  const std::vector<std::string> texts = {"child", "", "alpha", "a somewhat longer string of the image"};
  for (const std::string& t : texts) {
    VmRef symbol = vsSymbol_fromCString(t.c_str(), false);
    ASSERT_NE(vsJavaHeap_internString(&symbol), 0u);
  }
  const ImageLayout layout = romizer_layOut(model_);
  ASSERT_GE(layout.strings.size(), texts.size());  // and the library's constant Strings
  ASSERT_EQ(layout.stringPairs.size(), layout.strings.size());
  const CharArray* chars = vsRef_as<CharArray>(layout.sharedChars);
  std::set<std::string> found;
  uint32_t offset = 0;
  for (uint32_t i = 0; i < layout.strings.size(); ++i) {
    offset += layout.stringPairs[i].first;
    std::string text;
    for (uint32_t k = 0; k < layout.stringPairs[i].second; ++k) text += static_cast<char>(chars->elements[offset + k]);
    found.insert(text);
    const StringObject* s = vsRef_as<StringObject>(layout.strings[i]);
    EXPECT_EQ(static_cast<uint32_t>(s->count), layout.stringPairs[i].second);
  }
  EXPECT_EQ(found.size(), layout.strings.size());
  for (const std::string& t : texts) EXPECT_EQ(found.count(t), 1u) << t;
  EXPECT_EQ(layout.stringBucketStarts.size(), layout.stringBuckets + 1);
  EXPECT_EQ(layout.stringBucketStarts.front(), 0u);
  EXPECT_EQ(layout.stringBucketStarts.back(), layout.strings.size());
  for (uint32_t b = 0; b < layout.stringBuckets; ++b)
    EXPECT_LE(layout.stringBucketStarts[b], layout.stringBucketStarts[b + 1]);
  EXPECT_EQ(layout.classIdCount, model_.classes.size());
  // The packages of the classes, sorted, each once.
  EXPECT_TRUE(std::is_sorted(layout.packages.begin(), layout.packages.end()));
  EXPECT_EQ(std::adjacent_find(layout.packages.begin(), layout.packages.end()), layout.packages.end());
  for (const char* p : {"java/lang", "romizer/fixture"})
    EXPECT_NE(std::find(layout.packages.begin(), layout.packages.end(), p), layout.packages.end()) << p;
}

// A symbol that a later pass puts into a record of the image joins the
// merged pool's symbol run when the layout meets it.
TEST_F(RomizerPassesTest, LayoutAddsSymbolsMadeAfterTheMerge) {
  const VmRef added = vsSymbol_fromCString("made after the merge", false);
  ASSERT_NE(added, 0u);
  uint32_t string = 0;
  for (uint32_t i = 1; i < pool()->count && string == 0; ++i)
    if (vsConstantPool_tagAt(pool(), i) == kTagUnresolvedString) string = i;
  ASSERT_NE(string, 0u);
  const VmRef oldPool = model_.mergedPool;
  vsRef_as<ConstantPool>(oldPool)->entries[string] = added;
  const ImageLayout layout = romizer_layOut(model_);
  ASSERT_NE(model_.mergedPool, oldPool);
  EXPECT_EQ(pool()->entries[string], added);
  const uint32_t b = romizer_symbolBucket(added, model_.symbolBuckets);
  bool found = false;
  for (uint32_t i = model_.symbolBucketStarts[b]; i < model_.symbolBucketStarts[b + 1]; ++i)
    found |= pool()->entries[i] == added;
  EXPECT_TRUE(found);
  EXPECT_EQ(layout.symbolCount, pool()->count - model_.symbolBucketStarts.front());
  EXPECT_EQ(layout.wellKnown.size(), static_cast<size_t>(kWellKnownCount));
}

// Methods given entry-table slots point into the table, their initial
// entries are written as entry symbols, and the natives and abstract
// methods named in the symbol words are written as those symbols.
TEST_F(RomizerPassesTest, WriterNamesEntrySlotsAndSymbols) {
  std::vector<VmRef> withCode;
  for (VmRef cls : model_.classes) {
    if (vsObject_kind(cls) != kKindInstanceClass) continue;
    const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(vsRef_as<ClassRecord>(cls)));
    for (int32_t k = 0; k < methods->length; ++k) {
      const VmRef method = methods->elements[k];
      if ((vsRef_as<MethodRecord>(method)->accessFlags & (kMethodNative | kMethodAbstract)) != 0)
        model_.symbolWords[method + kMethodCodeOffset + 4] = "vsTest_body";
      else
        withCode.push_back(method);
    }
  }
  ASSERT_GE(withCode.size(), 3u);
  model_.entrySlots.assign(withCode.begin(), withCode.begin() + 3);
  const ImageLayout layout = romizer_layOut(model_);
  for (const ImageRecord& r : layout.readOnly) {
    if (r.ref == 0 || r.map || vsObject_kind(r.ref) != kKindMethod) continue;
    const MethodRecord* m = vsRef_as<MethodRecord>(r.ref);
    const bool slot = std::find(model_.entrySlots.begin(), model_.entrySlots.end(), r.ref) != model_.entrySlots.end();
    const bool bare = (m->accessFlags & kMethodNoExceptionTable) != 0 && (m->accessFlags & kMethodNoStackMap) != 0;
    EXPECT_EQ(r.skip, slot && bare ? 20u : 8u);
  }
  const std::string path = ::testing::TempDir() + "romizer_passes_image.s";
  romizer_writeImage(model_, layout, path.c_str());
  const std::vector<uint8_t> bytes = vsTestCore_readFile(path);
  const std::string text(bytes.begin(), bytes.end());
  std::remove(path.c_str());
  EXPECT_NE(text.find("\t.long vsTest_body\n"), std::string::npos);
  for (int slot = 0; slot < 3; ++slot)
    EXPECT_NE(text.find("\t.long vsImage_entryTable" + std::string(slot == 0 ? "" : "+" + std::to_string(4 * slot)) + "\n"),
              std::string::npos);
  const size_t words = text.find("vsImage_entryWords:\n");
  ASSERT_NE(words, std::string::npos);
  const std::string entries = text.substr(words, text.find("\t.balign", words) - words);
  size_t count = 0;
  for (size_t at = entries.find("\t.long vsInterpreter_"); at != std::string::npos;
       at = entries.find("\t.long vsInterpreter_", at + 1))
    ++count;
  EXPECT_EQ(count, 3u);
  EXPECT_NE(entries.find("\t.long 12\n"), std::string::npos);
}

}  // namespace
