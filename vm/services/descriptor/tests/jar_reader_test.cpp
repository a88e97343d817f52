// The descriptor JAR reader, in memory and through a read callback: entries,
// the icon, the manifest, the directory walk, and hostile archives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "vm/core/loader/tests/zip_builder.h"
#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/descriptor_jar.h"
#include "vm/services/descriptor/jar_entries.h"
#include "vm/services/descriptor/tests/test_env.h"

namespace {

// The archive behind the read callback, delivered 1 to 7 bytes per call
// with an empty answer now and then; any request outside it is recorded.
struct Source {
  const uint8_t* data = nullptr;
  int32_t size = 0;
  uint32_t calls = 0;
  bool outside = false;
  bool overdeliver = false;  // answer one byte more than asked
};
Source gSource;

int32_t readSource(void* buffer, int32_t offset, int32_t size) {
  if (offset < 0 || size < 0 || offset > gSource.size || size > gSource.size - offset) {
    gSource.outside = true;
    return -1;
  }
  if (gSource.overdeliver) return size + 1;
  const uint32_t call = gSource.calls++;
  if (call % 5 == 4) return 0;
  const int32_t n = std::min<int32_t>(size, static_cast<int32_t>(call % 7) + 1);
  std::memcpy(buffer, gSource.data + offset, n);
  return n;
}

// An open archive in one of the two modes.
class Jar {
 public:
  Jar(const TestEnv& env, const LowCopy& zip, bool callback) : env_(env.handle()) {
    gSource = {zip.data(), zip.size()};
    handle_ = OamsJarOpen(env_, zip.size(), callback ? nullptr : zip.data(),
                          callback ? readSource : nullptr, &error_);
  }
  ~Jar() {
    if (handle_ != kOamsInvalidHandle) {
      EXPECT_EQ(OamsJarClose(env_, handle_), kOamsOk);
    }
    EXPECT_FALSE(gSource.outside) << "the callback was asked for bytes outside the archive";
  }
  OamsHandle handle() const { return handle_; }
  int32_t error() const { return error_; }
  // The entry's bytes, or "<code>".
  std::string read(const std::string& name, int32_t bufferSize = 1 << 16) const {
    LowCopy buffer(std::string(static_cast<size_t>(bufferSize), '\0'));
    const int32_t n = OamsJarReadEntry(env_, handle_, name.data(),
                                       static_cast<int32_t>(name.size()), buffer.data(), bufferSize);
    return n < 0 ? "<" + std::to_string(n) + ">" : std::string(buffer.text(), n);
  }

 private:
  OamsHandle env_;
  OamsHandle handle_;
  int32_t error_ = 99;
};

const char* modeName(bool callback) { return callback ? "callback" : "memory"; }

std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<ZipEntry> goodEntries() {
  std::string big;
  for (int i = 0; i < 3000; ++i) big += "line " + std::to_string(i) + "\n";
  return {
      {"meta-INF/manifest.MF", bytes("MIDlet-Name: Game\nMIDlet-Icon: /img/icon.png\n"), true},
      {"stored.txt", bytes("stored bytes\n"), false},
      {"big.txt", bytes(big), true},
      {"empty", {}, false},
      {"img/icon.png", bytes("\x89PNG fake icon"), true},
  };
}

TEST(DescriptorJar, EntriesInBothModes) {
  const std::vector<ZipEntry> entries = goodEntries();
  const LowCopy zip(buildZip(entries));
  for (bool callback : {false, true}) {
    TestEnv env;
    {
      const Jar jar(env, zip, callback);
      ASSERT_EQ(jar.error(), kOamsOk) << modeName(callback);
      for (const ZipEntry& e : entries) {
        const std::string want(e.data.begin(), e.data.end());
        EXPECT_EQ(jar.read(e.name), want) << e.name << ", " << modeName(callback);
        EXPECT_EQ(OamsJarGetEntrySize(env.handle(), jar.handle(), e.name.data(),
                                      static_cast<int32_t>(e.name.size())),
                  static_cast<int32_t>(e.data.size()))
            << e.name;
      }
      EXPECT_EQ(jar.read("stored.tx"), "<-2>") << "names match whole";
      EXPECT_EQ(jar.read("STORED.TXT"), "<-2>") << "letter case matters";
      EXPECT_EQ(jar.read("big.txt", 100), "<-3>") << "a buffer too small";
      EXPECT_EQ(OamsJarGetEntrySize(env.handle(), jar.handle(), "nothing", 7), kOamsReadFailed);
      EXPECT_EQ(OamsJarGetEntrySize(env.handle(), jar.handle(), nullptr, 0), kOamsBadArgument);
      EXPECT_EQ(OamsJarGetEntrySize(env.handle(), jar.handle(), "x", -1), kOamsBadArgument);

      // The manifest in any letter case, and the icon it names.
      int32_t error = 99;
      const OamsHandle manifest = OamsManifestOpen(env.handle(), jar.handle(), &error);
      ASSERT_EQ(error, kOamsOk) << modeName(callback);
      const std::string icon = "\x89PNG fake icon";
      EXPECT_EQ(OamsJarGetIconSize(env.handle(), manifest, jar.handle()),
                static_cast<int32_t>(icon.size()));
      LowCopy buffer(std::string(64, '\0'));
      ASSERT_EQ(OamsJarReadIcon(env.handle(), manifest, jar.handle(), buffer.data(), 64),
                static_cast<int32_t>(icon.size()));
      EXPECT_EQ(std::string(buffer.text(), icon.size()), icon);
      EXPECT_EQ(OamsJarReadIcon(env.handle(), manifest, jar.handle(), nullptr, 64),
                kOamsBadArgument);
      EXPECT_EQ(OamsJarReadIcon(env.handle(), manifest, kOamsInvalidHandle, buffer.data(), 64),
                kOamsBadArgument);
      EXPECT_EQ(OamsDescriptorClose(env.handle(), manifest), kOamsOk);

      const std::string noIcon = "MIDlet-Name: x\n";
      const OamsHandle jad = OamsJadOpen(env.handle(), static_cast<int32_t>(noIcon.size()),
                                         noIcon.data(), nullptr, &error);
      EXPECT_EQ(OamsJarGetIconSize(env.handle(), jad, jar.handle()), kOamsAbsent);
      EXPECT_EQ(OamsJarReadIcon(env.handle(), jad, jar.handle(), buffer.data(), 64), kOamsAbsent);
      EXPECT_EQ(OamsDescriptorClose(env.handle(), jad), kOamsOk);
    }
  }
}

TEST(DescriptorJar, DirectoryWalk) {
  const std::vector<ZipEntry> entries = goodEntries();
  const LowCopy zip(buildZip(entries));
  TestEnv env;
  const Jar jar(env, zip, false);
  VsDescriptorCursor cursor = vsDescriptorJar_getDirectory(vsDescriptor_record<OamsJar>(jar.handle()));
  std::string names;
  int32_t length = 0;
  while (const char* name = vsDescriptorJar_nextEntry(&cursor, &length))
    names += std::string(name, length) + ";";
  EXPECT_EQ(names, "meta-INF/manifest.MF;stored.txt;big.txt;empty;img/icon.png;");
  const Jar byCallback(env, zip, true);
  EXPECT_EQ(vsDescriptorJar_getDirectory(vsDescriptor_record<OamsJar>(byCallback.handle())).at,
            nullptr);
}

const char* const kEntries[] = {"META-INF/MANIFEST.MF", "a.txt", "b.txt"};

TEST(DescriptorJar, HostileArchives) {
  struct Case {
    const char* file;
    int32_t open;
    const char* reads[3];  // per entry of kEntries: its text, or "<code>"
  } const cases[] = {
      {"good.zip", kOamsOk, {"Manifest-Version: 1.0\r\nMIDlet-Name: Hostile\r\n",
                             "hello, stored\n", nullptr}},
      {"dir-size-past.zip", kOamsMalformed, {}},
      {"dir-offset-past.zip", kOamsMalformed, {}},
      {"name-past-directory.zip", kOamsOk, {"<-2>", "<-2>", "<-2>"}},
      {"local-offset-past.zip", kOamsOk, {nullptr, "<-2>", nullptr}},
      {"data-past-directory.zip", kOamsOk, {nullptr, nullptr, "<-2>"}},
      {"stored-sizes.zip", kOamsOk, {nullptr, "<-2>", nullptr}},
      {"method12.zip", kOamsOk, {nullptr, "<-2>", nullptr}},
      {"bad-crc.zip", kOamsOk, {nullptr, "<-2>", nullptr}},
      {"inflates-short.zip", kOamsOk, {nullptr, nullptr, "<-2>"}},
  };
  const std::string deflated = [] {
    std::string s;
    for (int i = 0; i < 4; ++i) s += "deflated text, deflated text, deflated text\n";
    return s;
  }();
  for (const Case& c : cases) {
    const LowCopy zip(readTestFile(std::string(VS_DESCRIPTOR_TESTS "/hostile/") + c.file));
    for (bool callback : {false, true}) {
      TestEnv env;
      const Jar jar(env, zip, callback);
      EXPECT_EQ(jar.error(), c.open) << c.file << ", " << modeName(callback);
      if (c.open != kOamsOk) continue;
      for (int i = 0; i < 3; ++i) {
        // Entries the case leaves alone read as in the good archive.
        const std::string good = i == 0   ? "Manifest-Version: 1.0\r\nMIDlet-Name: Hostile\r\n"
                                 : i == 1 ? "hello, stored\n"
                                          : deflated;
        EXPECT_EQ(jar.read(kEntries[i]), c.reads[i] != nullptr ? c.reads[i] : good)
            << c.file << " " << kEntries[i] << ", " << modeName(callback);
      }
    }
  }
}

TEST(DescriptorJar, OpenFailures) {
  TestEnv env;
  const OamsHandle e = env.handle();
  const LowCopy zip(buildZip(goodEntries()));
  const LowCopy tiny(std::string(21, 'P'));
  int32_t error = 99;
  struct Case {
    const char* name;
    OamsHandle env;
    int32_t size;
    const void* buffer;
    VsDescriptorReadCallback read;
    int32_t error;
  } const cases[] = {
      {"no environment", kOamsInvalidHandle, zip.size(), zip.data(), nullptr, kOamsBadArgument},
      {"no source", e, zip.size(), nullptr, nullptr, kOamsBadArgument},
      {"negative size", e, -1, zip.data(), nullptr, kOamsNegativeJarSize},
      {"shorter than an end record", e, tiny.size(), tiny.data(), nullptr, kOamsMalformed},
      {"shorter than an end record (callback)", e, tiny.size(), nullptr, readSource, kOamsMalformed},
      {"empty", e, 0, zip.data(), nullptr, kOamsMalformed},
      {"cut before the end record", e, zip.size() - 1, zip.data(), nullptr, kOamsMalformed},
  };
  for (const Case& c : cases) {
    gSource = {c.buffer == nullptr && c.read != nullptr ? tiny.data() : zip.data(), c.size};
    EXPECT_EQ(OamsJarOpen(c.env, c.size, c.buffer, c.read, &error), kOamsInvalidHandle) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(TestEnv::live(), 1) << c.name;
  }
  // No memory for the record, then for the callback's window.
  for (int32_t allowed = 0; allowed < 2; ++allowed) {
    gSource = {zip.data(), zip.size()};
    TestEnv::allowAllocations(allowed);
    EXPECT_EQ(OamsJarOpen(e, zip.size(), nullptr, readSource, &error), kOamsInvalidHandle);
    EXPECT_EQ(error, kOamsNoMemory) << allowed;
    EXPECT_EQ(TestEnv::live(), 1);
  }
  TestEnv::allowAllocations(-1);
  EXPECT_EQ(OamsJarClose(e, kOamsInvalidHandle), kOamsBadArgument);
}

// A reader that answers more bytes than asked fails the read: at open, and
// when an entry is read after a good open.
TEST(DescriptorJar, ReaderAnsweringMore) {
  const LowCopy zip(buildZip(goodEntries()));
  TestEnv env;
  gSource = {zip.data(), zip.size()};
  gSource.overdeliver = true;
  int32_t error = 99;
  EXPECT_EQ(OamsJarOpen(env.handle(), zip.size(), nullptr, readSource, &error), kOamsInvalidHandle);
  EXPECT_EQ(error, kOamsReadFailed);
  for (const char* name : {"stored.txt", "big.txt"}) {
    const Jar jar(env, zip, true);
    ASSERT_EQ(jar.error(), kOamsOk);
    gSource.overdeliver = true;
    EXPECT_EQ(jar.read(name), "<-2>") << name;
    int32_t error2 = 0;
    EXPECT_EQ(OamsManifestOpen(env.handle(), jar.handle(), &error2), kOamsInvalidHandle);
    EXPECT_EQ(error2, kOamsReadFailed);
  }
}

int32_t gEmptyAnswers;
int32_t emptyThenOne(void* buffer, int32_t, int32_t) {
  if (gEmptyAnswers-- > 0) return 0;
  static_cast<uint8_t*>(buffer)[0] = 'x';
  return 1;
}

TEST(DescriptorJar, ReadFullyRetriesEmptyAnswers) {
  uint8_t byte = 0;
  gEmptyAnswers = 10000;
  EXPECT_EQ(vsDescriptor_readFully(emptyThenOne, &byte, 0, 1), 1);
  gEmptyAnswers = 10001;
  EXPECT_EQ(vsDescriptor_readFully(emptyThenOne, &byte, 0, 1), 0);
  EXPECT_EQ(vsDescriptor_readFully(emptyThenOne, &byte, 0, 0), 1) << "nothing to read";
  gEmptyAnswers = 0;
  EXPECT_EQ(vsDescriptor_readFully(emptyThenOne, &byte, -1, 1), 0);
  EXPECT_EQ(vsDescriptor_readFully(emptyThenOne, &byte, 0, -1), 0);
  EXPECT_EQ(vsDescriptor_readFully(emptyThenOne, &byte, 0x7FFFFFFF, 1), 0);
}

}  // namespace
