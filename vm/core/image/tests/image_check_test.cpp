// The image checker names each kind of damage of a loaded image, and the
// dump prints the image's classes and methods.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/core/heap_fixture.h"
#include "tests/support/capture_stream.h"
#include "vm/core/image/image_bounds.h"
#include "vm/core/image/image_checker.h"
#include "vm/core/image/image_dump.h"
#include "vm/core/image/image_loader.h"
#include "vm/core/image/image_walk.h"
#include "vm/core/image/tests/synthetic_image.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"

namespace {

class ImageCheckTest : public HeapTest {
 public:
  void SetUp() override {
    HeapTest::SetUp();
    bootTop_ = vsVmGlobals.allocationTop;
  }
  void TearDown() override {
    vsImage_unload();
    HeapTest::TearDown();
  }
  void loadFresh() {
    vsImage_unload();
    vsTestHeap_dropAbove(bootTop_);
    image_ = vsTestImage_build();
    ASSERT_EQ(vsImage_load(image_.descriptor), kImageLoaded);
  }
  const ImageDescriptor& d() const { return *image_.descriptor; }
  VmWord copied(VmWord imageAddress) const { return imageAddress - d().heapPart + vsImage_state.heapCopy; }
  ImageCheckCounts check() {
    out_.text().clear();
    return vsImage_check(image_.descriptor, &out_);
  }

  SyntheticImage image_{};
  VmWord bootTop_ = 0;
  CaptureStream out_;
};

TEST_F(ImageCheckTest, CleanImageIsOk) {
  loadFresh();
  const ImageCheckCounts counts = check();
  EXPECT_EQ(counts.faults, 0u) << out_.text();
  EXPECT_EQ(counts.objects, image_.objectCount);
  EXPECT_EQ(out_.text(), "image ok: " + std::to_string(image_.objectCount) + " objects, " +
                             std::to_string(counts.references) + " references\n");
  EXPECT_GT(counts.references, image_.objectCount);
}

TEST_F(ImageCheckTest, NamesEachFault) {
  struct Case {
    const char* what;
    std::function<void(ImageCheckTest&)> damage;
    const char* expected;
  };
  const Case cases[] = {
      {"heap field into the image's heap part",
       [](ImageCheckTest& t) { vsWord_toPointer<ObjectArray>(t.copied(t.image_.pairArray))->elements[0] = t.image_.otherArray; },
       "image fault: heap part: word at "},
      {"heap field inside an object",
       [](ImageCheckTest& t) {
         vsWord_toPointer<ObjectArray>(t.copied(t.image_.pairArray))->elements[0] = t.copied(t.image_.otherArray) + 4;
       },
       "points inside a heap object"},
      {"writable String's value",
       [](ImageCheckTest& t) {
         vsWord_toPointer<StringObject>(t.d().writableArea + t.d().blockSize + kStringInstanceBytes)->value += 4;
       },
       "image fault: string table: string 1 differs from its pair"},
      {"class-table slot",
       [](ImageCheckTest&) {
         ObjectArray* table = vsRoot_as<ObjectArray>(kRootClassTable);
         table->elements[2] = table->elements[3];
       },
       "image fault: class table: slot 2 holds class id 3"},
      {"size word",
       [](ImageCheckTest& t) { vsWord_toPointer<VmWord>(t.d().writableBlock + t.d().blockSize)[2] += 4; },
       "image fault: size words: the heap size disagrees with the descriptor"},
      {"read-only word into the heap",
       [](ImageCheckTest&) {
         // A virtual-table entry of java.lang.Object's class info.
         ClassInfo* info = vsRoot_as<ClassRecord>(kRootObject)->classInfo.get();
         info->vtable[0] = vsRoot(kRootObject);
       },
       "image fault: read-only part: word at "},
      {"read-only word into the image's heap part",
       [](ImageCheckTest& t) {
         const ConstantPool* pool = vsWord_toPointer<ConstantPool>(t.d().mergedPool);
         vsWord_toPointer<ConstantPool>(t.d().mergedPool)->entries[pool->count - 2] = t.image_.pairArray;
       },
       "points into the image's heap part"},
      {"slow opcode in image code",
       [](ImageCheckTest& t) { vsWord_toPointer<MethodRecord>(t.image_.toStringMethod)->code[0] = kOpLdc; },
       "slow opcode 18 left at 0"},
      {"branch without a stack map",
       [](ImageCheckTest& t) {
         uint8_t* code = vsWord_toPointer<MethodRecord>(t.image_.toStringMethod)->code;
         code[0] = kOpGoto, code[1] = 0, code[2] = 0;
       },
       "branches or handlers without a stack map"},
      {"pool operand of the wrong tag",
       [](ImageCheckTest& t) { vsWord_toPointer<MethodRecord>(t.image_.toStringMethod)->code[1] = 1; },
       "pool entry 1 has tag 1 for opcode 203"},
      {"symbol left out of its bucket",
       [](ImageCheckTest& t) {
         // The last symbol of the runs drops out of them.
         RomSymbolTable* hash = vsWord_toPointer<RomSymbolTable>(t.d().symbolHash);
         uint32_t b = hash->bucketCount;
         while (hash->starts[b - 1] == hash->starts[b]) --b;
         for (; b <= hash->bucketCount; ++b) hash->starts[b] -= 4;
       },
       "image fault: symbol hash: its runs hold "},
      {"entry word",
       [](ImageCheckTest& t) { vsWord_toPointer<VmWord>(t.d().entryTable)[1] += 4; },
       "image fault: entry table: word 1"},
      {"root",
       [](ImageCheckTest&) { vsRoot(kRootEmptyObjectArray) = vsRoot(kRootClassTable); },
       "image fault: roots: root 41 "},
  };
  for (const Case& c : cases) {
    loadFresh();
    c.damage(*this);
    const ImageCheckCounts counts = check();
    EXPECT_GE(counts.faults, 1u) << c.what;
    EXPECT_NE(out_.text().find(c.expected), std::string::npos) << c.what << ":\n" << out_.text();
    EXPECT_EQ(out_.text().find("image ok"), std::string::npos) << c.what;
  }
}

TEST_F(ImageCheckTest, DumpsClassesAndMethods) {
  loadFresh();
  out_.text().clear();
  vsImage_dump(image_.descriptor, &out_);
  const std::string& text = out_.text();
  const MethodRecord* toString = vsWord_toPointer<MethodRecord>(image_.toStringMethod);
  char operand[8];
  snprintf(operand, sizeof operand, "%02x", toString->code[1]);
  const std::string expected[] = {
      "romizer version 1\n",
      "classes " + std::to_string(image_.classCount) + ", methods 5, strings 3, symbols " +
          std::to_string(image_.symbolCount) + ", read-only " + std::to_string(d().readOnlySize) + ", heap part " +
          std::to_string(d().heapSize) + ", writable " + std::to_string(d().writableSize) + ", entries 5\n",
      "class 0 java/lang/Object super - size 4 mirror 14 flags 00000001\n"
      "  method <init>()V flags 5201 entry vsInterpreter_entryNoExtraLocals code 177\n"
      "  method toString()Ljava/lang/String; flags 5201 entry vsInterpreter_entryNoExtraLocals code 203:" +
          std::string(operand) + " 176\n",
      "class 1 [Z super java/lang/Object size kind -2 mirror 00 flags 04000411\n",
      "class 10 java/lang/String super java/lang/Object size 16 mirror 10 flags 00000001\n",
      "class 16 com/sun/cldc/i18n/Helper super java/lang/Object size 4 mirror 00 flags 00000001\n",
      "class 18 [Ljava/lang/String; super java/lang/Object size kind -1 mirror 00 flags 04000411\n",
      "class 19 Main super java/lang/Object size 4 mirror 00 flags 00000001\n"
      "  method main([Ljava/lang/String;)V flags 5209 entry vsInterpreter_entryNoExtraLocals code 177\n",
  };
  for (const std::string& line : expected) EXPECT_NE(text.find(line), std::string::npos) << line << "\nin:\n" << text;
  EXPECT_EQ(text.find("class 10 "), text.rfind("class 10 "));
}

}  // namespace
