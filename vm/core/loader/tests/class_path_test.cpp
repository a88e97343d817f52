// The JAR reader and the class path on archives built in memory: long
// names, directories, empty entries, the CRC rule, enumeration and the
// archive that supplied the last class.
#include "vm/core/loader/class_path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/exception_double.h"
#include "tests/core/heap_fixture.h"
#include "vm/core/loader/jar_file.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/handles.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/loader/tests/zip_builder.h"
#include "vm/services/lifecycle/mem_file.h"

namespace {

std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

class ClassPath : public HeapTest {
 protected:
  ClassPath() : HeapTest(4u << 20) {}
  void TearDown() override {
    for (uint8_t* f : files_) vsLow_free(f);
    for (const std::string& n : names_) vsMemFile_unregister(n.c_str(), 0);
    vsJarFile_existenceQuery = 0;
    vsVmFlags().UseVerifier = 1;
    vsTestException_clear();
    HeapTest::TearDown();
  }
  void file(const std::string& name, const std::vector<uint8_t>& data) {
    auto* copy = static_cast<uint8_t*>(vsLow_alloc(data.size() + 1));
    if (!data.empty()) std::memcpy(copy, data.data(), data.size());
    files_.push_back(copy);
    names_.push_back(name);
    ASSERT_GT(vsMemFile_register(name.c_str(), copy, nullptr, static_cast<uint32_t>(data.size())), 0) << name;
  }
  // The bytes found for name, or "<not found>".
  std::string find(const std::string& name, bool classFile) {
    const VmRef r = vsClassPath_findResource(name.c_str(), classFile);
    EXPECT_FALSE(vsException_isPending());
    if (r == 0) return "<not found>";
    const auto* a = vsWord_toPointer<ByteArray>(r);
    return std::string(reinterpret_cast<const char*>(a->elements), static_cast<size_t>(a->length));
  }

 private:
  std::vector<uint8_t*> files_;
  std::vector<std::string> names_;
};

TEST_F(ClassPath, ClassNamesUpToTheComparedLengthAreFound) {
  // Class names of 250 and 251 characters give entry names of 256 and 257
  // bytes; 263 and 264 fill the 270-byte name buffer and pass it.
  std::vector<ZipEntry> entries;
  for (size_t n : {250, 251, 263, 264}) entries.push_back({std::string(n, 'C') + ".class", bytesOf("class " + std::to_string(n))});
  file("/app.jar", buildZip(entries));
  ASSERT_TRUE(vsClassPath_set("/app.jar"));
  EXPECT_EQ(find(std::string(250, 'C'), true), "class 250");
  EXPECT_EQ(find(std::string(251, 'C'), true), "<not found>");
  EXPECT_EQ(find(std::string(263, 'C'), true), "<not found>");
  EXPECT_EQ(find(std::string(264, 'C'), true), "<not found>");
  EXPECT_EQ(find(std::string(300, 'C'), true), "<not found>");
}

TEST_F(ClassPath, DirectoryEntriesBuildWholePaths) {
  file("/d/A.class", bytesOf("class A"));
  file("/d/res.txt", bytesOf("resource"));
  // A 260-character entry with an 8-character class name: the path with
  // "/" and ".class" would not fit.
  const std::string longEntry = "/" + std::string(259, 'd');
  ASSERT_TRUE(vsClassPath_set((longEntry + ";/d").c_str()));
  EXPECT_EQ(find("ABCDEFGH", true), "<not found>");
  EXPECT_EQ(find("A", true), "class A");
  EXPECT_EQ(find("res.txt", false), "resource");
  EXPECT_EQ(find("A", false), "<not found>");
  EXPECT_EQ(vsClassPath_classSource(), 0u);  // not from an archive
}

TEST_F(ClassPath, EntriesAreSearchedInOrder) {
  file("/one.jar", buildZip({{"a.txt", bytesOf("from one")}}));
  file("/two.jar", buildZip({{"a.txt", bytesOf("from two")}, {"b.txt", bytesOf("b from two")}}));
  ASSERT_TRUE(vsClassPath_set("/missing;/one.jar;/two.jar"));
  const VsClassPath* path = vsClassPath_entries();
  ASSERT_EQ(path->count, 3u);
  EXPECT_STREQ(vsClassPath_entry(path, 1), "/one.jar");
  EXPECT_EQ(find("a.txt", false), "from one");
  EXPECT_EQ(find("b.txt", false), "b from two");
  EXPECT_FALSE(vsClassPath_set(std::string(1025, 'x').c_str()));
  EXPECT_EQ(vsClassPath_entries()->count, 0u);
  EXPECT_TRUE(vsClassPath_set(std::string(1024, 'x').c_str()));
  ASSERT_TRUE(vsClassPath_set(std::string(1024, ';').c_str()));
  EXPECT_EQ(vsClassPath_entries()->count, 1025u);
  EXPECT_STREQ(vsClassPath_entry(vsClassPath_entries(), 1024), "");
}

TEST_F(ClassPath, StoredAndDeflatedEntriesAndEmptyOnes) {
  std::vector<uint8_t> text;
  for (int i = 0; i < 2000; ++i) text.push_back(static_cast<uint8_t>("abcdefgh\n"[i % 9]));
  file("/app.jar", buildZip({{"stored.txt", text},
                             {"deflated.txt", text, true},
                             {"empty", {}},
                             {"empty-deflated", {}, true}}));
  ASSERT_TRUE(vsClassPath_set("/app.jar"));
  const std::string expected(text.begin(), text.end());
  EXPECT_EQ(find("stored.txt", false), expected);
  EXPECT_EQ(find("deflated.txt", false), expected);
  EXPECT_EQ(find("empty", false), "");
  EXPECT_EQ(find("empty-deflated", false), "");
  // The existence query answers 1 for every entry found, the empty one too.
  VsJarFile jar;
  vsJarFile_open(&jar, "/app.jar", 0);
  ASSERT_TRUE(jar.open);
  ASSERT_EQ(vsJarFile_findEntry(&jar, "empty", 5), 1);
  VmHandle array;
  vsHandle_push(&array, vsJavaHeap_newByteArray(0));
  EXPECT_EQ(vsJarFile_readEntry(&jar, &array.object, 0), 0);
  vsJarFile_existenceQuery = 1;
  EXPECT_EQ(vsJarFile_readEntry(&jar, &array.object, 0), 1);
  vsJarFile_close(&jar);
}

TEST_F(ClassPath, CrcIsSkippedOnlyForClassFilesWithoutTheVerifier) {
  file("/app.jar", buildZip({{"A.class", bytesOf("class bytes"), false, 1},
                             {"r.txt", bytesOf("resource"), true, 0x100}}));
  ASSERT_TRUE(vsClassPath_set("/app.jar"));
  EXPECT_EQ(find("A", true), "<not found>");
  EXPECT_EQ(find("A.class", false), "<not found>");
  vsVmFlags().UseVerifier = 0;
  EXPECT_EQ(find("A", true), "class bytes");
  EXPECT_EQ(find("A.class", false), "<not found>");
  EXPECT_EQ(find("r.txt", false), "<not found>");
}

TEST_F(ClassPath, RemembersTheArchiveOfTheLastClass) {
  file("/app.jar", buildZip({{"M.class", bytesOf("main")}, {"r.txt", bytesOf("r")}}));
  ASSERT_TRUE(vsClassPath_set("/app.jar"));
  EXPECT_EQ(find("M", true), "main");
  const VsMemFile* source = vsWord_toPointer<VsMemFile>(vsClassPath_classSource());
  ASSERT_NE(source, nullptr);
  EXPECT_STREQ(source->name, "/app.jar");
  EXPECT_EQ(find("r.txt", false), "r");
  EXPECT_EQ(vsClassPath_classSource(), 0u);
}

std::vector<std::string>* gSeen;

void collect(const char* name, uint32_t length, VsJarFile*) { gSeen->emplace_back(name, length); }

TEST_F(ClassPath, EnumeratesBySuffixAndRefusesLongNames) {
  file("/app.jar", buildZip({{"a/A.class", {}}, {"b.txt", {}}, {".class", {}}, {"B.class", {}},
                             {std::string(256, 'x') + ".class", {}}, {"C.class", {}}}));
  std::vector<std::string> seen;
  gSeen = &seen;
  vsJarFile_forEachEntry("/app.jar", ".class", collect);
  EXPECT_EQ(seen, (std::vector<std::string>{"a/A.class", "B.class"}));
  EXPECT_EQ(vsTestException_last().className, "java/lang/Error");
  EXPECT_TRUE(vsTestException_last().hasCode);
  EXPECT_EQ(vsTestException_last().code, 135);
  vsTestException_clear();
  seen.clear();
  file("/small.jar", buildZip({{"x", {}}, {"y.txt", {}}}));
  vsJarFile_forEachEntry("/small.jar", "", collect);
  EXPECT_EQ(seen, (std::vector<std::string>{"x", "y.txt"}));
  EXPECT_FALSE(vsException_isPending());
}

}  // namespace
