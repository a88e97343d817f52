// Descriptors: opening, look-ups, versions, the MIDP checks and merging.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "vm/core/loader/tests/zip_builder.h"
#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/descriptor_checks.h"
#include "vm/services/descriptor/tests/test_env.h"

namespace {

const std::string kComplete =
    "MIDlet-Name: Game\n"
    "MIDlet-Vendor: Vendor\n"
    "MIDlet-Version: 1.0\n"
    "MIDlet-Jar-URL: http://h/game.jar\n"
    "MIDlet-Jar-Size: 100\n"
    "MIDlet-1: Game,,game.Main\n"
    "MicroEdition-Configuration: CLDC-1.1\n"
    "MicroEdition-Profile: MIDP-2.0\n";

// kComplete with one line replaced (or removed when `line` is empty).
std::string with(const std::string& key, const std::string& line) {
  std::string text;
  size_t at = 0;
  while (at < kComplete.size()) {
    const size_t end = kComplete.find('\n', at) + 1;
    const std::string l = kComplete.substr(at, end - at);
    text += l.compare(0, key.size() + 1, key + ":") == 0 ? (line.empty() ? "" : line + "\n") : l;
    at = end;
  }
  return text;
}

OamsHandle openJad(const TestEnv& env, const std::string& text, int32_t* error = nullptr) {
  int32_t code = 99;
  const OamsHandle d = OamsJadOpen(env.handle(), static_cast<int32_t>(text.size()), text.data(),
                                   nullptr, &code);
  if (error != nullptr) *error = code;
  EXPECT_TRUE(error != nullptr || code == kOamsOk) << "JAD refused (" << code << "):\n" << text;
  return d;
}

// A manifest: the text as "META-INF/MANIFEST.MF" of an archive in low memory.
class Manifest {
 public:
  Manifest(const TestEnv& env, const std::string& text)
      : env_(env.handle()),
        zip_(buildZip({{"META-INF/MANIFEST.MF", {text.begin(), text.end()}, true}})) {
    int32_t error = 99;
    jar_ = OamsJarOpen(env_, zip_.size(), zip_.data(), nullptr, &error);
    EXPECT_EQ(error, kOamsOk);
    handle_ = OamsManifestOpen(env_, jar_, &error);
    EXPECT_EQ(error, kOamsOk) << "manifest refused:\n" << text;
  }
  ~Manifest() {
    if (handle_ != kOamsInvalidHandle) {
      EXPECT_EQ(OamsDescriptorClose(env_, handle_), kOamsOk);
    }
    EXPECT_EQ(OamsJarClose(env_, jar_), kOamsOk);
  }
  OamsHandle handle() const { return handle_; }

 private:
  OamsHandle env_;
  LowCopy zip_;
  OamsHandle jar_;
  OamsHandle handle_;
};

std::string value(const TestEnv& env, OamsHandle d, const std::string& key) {
  int32_t length = -1;
  int32_t error = 0;
  const char* v = OamsDescriptorGetValueByKey(env.handle(), d, key.data(),
                                              static_cast<int32_t>(key.size()), &length, &error);
  return v == nullptr ? "<" + std::to_string(error) + ">" : std::string(v, length);
}

TEST(Descriptor, JadAndManifestChecks) {
  struct Case {
    const char* name;
    std::string text;
    int32_t jad;       // OamsJadVerify
    int32_t manifest;  // OamsManifestVerify
  } const cases[] = {
      {"complete", kComplete, kOamsOk, kOamsOk},
      {"no Jar-Size", with("MIDlet-Jar-Size", ""), kOamsJarSizeMissing, kOamsOk},
      {"no Jar-URL", with("MIDlet-Jar-URL", ""), kOamsJarUrlMissing, kOamsOk},
      {"empty Jar-URL", with("MIDlet-Jar-URL", "MIDlet-Jar-URL:"), kOamsMalformed, kOamsOk},
      {"no name", with("MIDlet-Name", ""), kOamsNameMissing, kOamsNameMissing},
      {"empty name", with("MIDlet-Name", "MIDlet-Name: "), kOamsMalformed, kOamsMalformed},
      {"no vendor", with("MIDlet-Vendor", ""), kOamsVendorMissing, kOamsVendorMissing},
      {"no version", with("MIDlet-Version", ""), kOamsVersionMissing, kOamsVersionMissing},
      {"version 1.0.5", with("MIDlet-Version", "MIDlet-Version: 1.0.5"), kOamsOk, kOamsOk},
      {"version 99.99.99", with("MIDlet-Version", "MIDlet-Version: 99.99.99"), kOamsOk, kOamsOk},
      {"version 1", with("MIDlet-Version", "MIDlet-Version: 1"), kOamsMalformed, kOamsMalformed},
      {"version 1.", with("MIDlet-Version", "MIDlet-Version: 1."), kOamsMalformed, kOamsMalformed},
      {"version 1.100", with("MIDlet-Version", "MIDlet-Version: 1.100"), kOamsMalformed,
       kOamsMalformed},
      {"version 1.0.0.0", with("MIDlet-Version", "MIDlet-Version: 1.0.0.0"), kOamsMalformed,
       kOamsMalformed},
      {"version -1.0", with("MIDlet-Version", "MIDlet-Version: -1.0"), kOamsMalformed,
       kOamsMalformed},
      {"version .1", with("MIDlet-Version", "MIDlet-Version: .1"), kOamsMalformed, kOamsMalformed},
      {"MIDlet-1 with icon", with("MIDlet-1", "MIDlet-1: Game, /i.png, game.Main"), kOamsOk,
       kOamsOk},
      {"MIDlet-1 leading comma", with("MIDlet-1", "MIDlet-1: ,,game.Main"), kOamsMalformed,
       kOamsMalformed},
      {"MIDlet-1 ends after second comma", with("MIDlet-1", "MIDlet-1: Game,,"), kOamsMalformed,
       kOamsMalformed},
      {"MIDlet-1 one comma", with("MIDlet-1", "MIDlet-1: Game,game.Main"), kOamsMalformed,
       kOamsMalformed},
      {"MIDlet-2 no comma", kComplete + "MIDlet-2: Game\n", kOamsMalformed, kOamsMalformed},
      {"MIDlet-1 missing is no check here", with("MIDlet-1", ""), kOamsOk, kOamsOk},
      {"CLDC-1.0", with("MicroEdition-Configuration", "MicroEdition-Configuration: CLDC-1.0  "),
       kOamsOk, kOamsOk},
      {"CLDC-1.2", with("MicroEdition-Configuration", "MicroEdition-Configuration: CLDC-1.2"),
       kOamsConfigurationUnsupported, kOamsOk},
      {"CLDC-1.10", with("MicroEdition-Configuration", "MicroEdition-Configuration: CLDC-1.10"),
       kOamsConfigurationUnsupported, kOamsOk},
      {"empty configuration", with("MicroEdition-Configuration", "MicroEdition-Configuration:"),
       kOamsOk, kOamsOk},
      {"two profiles", with("MicroEdition-Profile", "MicroEdition-Profile: MIDP-2.0 \t MIDP-1.0"),
       kOamsOk, kOamsOk},
      {"unknown profile", with("MicroEdition-Profile", "MicroEdition-Profile: MIDP-2.0 MIDP-3.0"),
       kOamsProfileUnsupported, kOamsOk},
      {"notify of 256 bytes", kComplete + "MIDlet-Install-Notify: " + std::string(256, 'u') + "\n",
       kOamsOk, kOamsOk},
      {"notify of 257 bytes", kComplete + "MIDlet-Delete-Notify: " + std::string(257, 'u') + "\n",
       kOamsNotifyTooLong, kOamsNotifyTooLong},
      {"first failure wins", "MIDlet-Version: 1\nMIDlet-Name:\n", kOamsMalformed, kOamsMalformed},
  };
  for (const Case& c : cases) {
    TestEnv env;
    const OamsHandle jad = openJad(env, c.text);
    EXPECT_EQ(OamsJadVerify(env.handle(), jad), c.jad) << c.name;
    EXPECT_EQ(OamsDescriptorClose(env.handle(), jad), kOamsOk);
    Manifest manifest(env, c.text);
    EXPECT_EQ(OamsManifestVerify(env.handle(), manifest.handle()), c.manifest) << c.name;
  }
}

TEST(Descriptor, JadAgainstManifest) {
  const std::string version2 = with("MIDlet-Version", "MIDlet-Version: 2.0");
  struct Case {
    const char* name;
    std::string jad;  // empty: no JAD
    std::string manifest;
    int32_t trusted;
    int32_t result;
  } const cases[] = {
      {"equal", kComplete, kComplete, 0, kOamsOk},
      {"equal, trusted", kComplete, kComplete, 1, kOamsOk},
      {"manifest alone", "", kComplete, 0, kOamsOk},
      {"manifest alone, trusted", "", kComplete, 1, kOamsBadArgument},
      {"version differs", kComplete, version2, 0, kOamsVersionDiffers},
      {"version differs, trusted", kComplete, version2, 1, kOamsTrustedMismatch},
      {"name differs", with("MIDlet-Name", "MIDlet-Name: Other"), kComplete, 0, kOamsNameDiffers},
      {"vendor differs", kComplete, with("MIDlet-Vendor", "MIDlet-Vendor: V2"), 2,
       kOamsVendorDiffers},
      {"vendor missing in the JAD", with("MIDlet-Vendor", ""), kComplete, 0, kOamsVendorDiffers},
      {"JAD-only key, trusted", kComplete + "X: 1\n", kComplete, 1, kOamsOk},
      {"shared extra key, trusted", kComplete + "X: 1\n", kComplete + "X: 2\n", 1,
       kOamsTrustedMismatch},
      {"MIDlet-1 in the JAD only", kComplete, with("MIDlet-1", ""), 0, kOamsOk},
      {"MIDlet-1 nowhere", with("MIDlet-1", ""), with("MIDlet-1", ""), 0, kOamsMidletMissing},
      {"configuration nowhere", with("MicroEdition-Configuration", ""),
       with("MicroEdition-Configuration", ""), 0, kOamsConfigurationMissing},
      {"configuration from the manifest", with("MicroEdition-Configuration", ""), kComplete, 0,
       kOamsOk},
      {"JAD's configuration wins", kComplete,
       with("MicroEdition-Configuration", "MicroEdition-Configuration: CLDC-2"), 0, kOamsOk},
      {"empty configuration", with("MicroEdition-Configuration", "MicroEdition-Configuration:"),
       kComplete, 0, kOamsMalformed},
      {"unsupported configuration", "",
       with("MicroEdition-Configuration", "MicroEdition-Configuration: CLDC-2.0"), 0,
       kOamsConfigurationUnsupported},
      {"profile nowhere", with("MicroEdition-Profile", ""), with("MicroEdition-Profile", ""), 0,
       kOamsProfileMissing},
      {"empty profile", "", with("MicroEdition-Profile", "MicroEdition-Profile:"), 0,
       kOamsMalformed},
      {"unsupported profile", "", with("MicroEdition-Profile", "MicroEdition-Profile: IMP-1.0"), 0,
       kOamsProfileUnsupported},
  };
  for (const Case& c : cases) {
    TestEnv env;
    const OamsHandle jad = c.jad.empty() ? kOamsInvalidHandle : openJad(env, c.jad);
    {
      Manifest manifest(env, c.manifest);
      EXPECT_EQ(OamsJadManifestVerify(env.handle(), jad, manifest.handle(), c.trusted), c.result)
          << c.name;
    }
    if (jad != kOamsInvalidHandle) {
      EXPECT_EQ(OamsDescriptorClose(env.handle(), jad), kOamsOk);
    }
  }
}

TEST(Descriptor, MergeKeepsJadValues) {
  TestEnv env;
  const OamsHandle jad = openJad(env, "MIDlet-Name: FromJad\nX: jad\n");
  Manifest manifest(env, "Y: manifest\nMIDlet-Name: FromManifest\nZ: manifest\n");
  int32_t error = 99;
  const OamsHandle merged = OamsDescriptorMerge(env.handle(), jad, manifest.handle(), &error);
  ASSERT_EQ(error, kOamsOk);
  std::string order;
  const auto* d = vsDescriptor_open(merged);
  ASSERT_NE(d, nullptr);
  for (const OamsAttribute* a = d->attributes.get(); a != nullptr; a = a->next.get())
    order += std::string(a->key.get(), a->keyLength) + "=" +
             std::string(a->value.get(), a->valueLength) + ";";
  EXPECT_EQ(order, "Y=manifest;MIDlet-Name=FromJad;Z=manifest;X=jad;");
  int32_t length = 0;
  const char* name = OamsDescriptorGetValueByIndex(env.handle(), merged, 2, &length, &error);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::string(name, length), "FromJad");
  EXPECT_EQ(OamsDescriptorClose(env.handle(), merged), kOamsOk);
  EXPECT_EQ(OamsDescriptorClose(env.handle(), jad), kOamsOk);
}

// Every allocation of opening and merging can fail: -1, nothing left behind.
TEST(Descriptor, NoMemory) {
  TestEnv env;
  const int32_t before = TestEnv::live();
  for (int32_t allowed = 0; allowed < 4; ++allowed) {
    TestEnv::allowAllocations(allowed);
    int32_t error = 0;
    const OamsHandle d = OamsJadOpen(env.handle(), static_cast<int32_t>(kComplete.size()),
                                     kComplete.data(), nullptr, &error);
    if (d == kOamsInvalidHandle) {
      EXPECT_EQ(error, kOamsNoMemory) << allowed;
      EXPECT_EQ(TestEnv::live(), before) << allowed;
    } else {
      EXPECT_EQ(OamsDescriptorClose(env.handle(), d), kOamsOk);
    }
  }
  TestEnv::allowAllocations(-1);
  const OamsHandle a = openJad(env, kComplete);
  const OamsHandle b = openJad(env, "X: 1\nMIDlet-Name: N\n");
  const int32_t opened = TestEnv::live();
  for (int32_t allowed = 0; allowed < 4; ++allowed) {
    TestEnv::allowAllocations(allowed);
    int32_t error = 0;
    EXPECT_EQ(OamsDescriptorMerge(env.handle(), a, b, &error), kOamsInvalidHandle) << allowed;
    EXPECT_EQ(error, kOamsNoMemory);
    EXPECT_EQ(TestEnv::live(), opened) << allowed;
  }
  TestEnv::allowAllocations(-1);
  EXPECT_EQ(OamsDescriptorClose(env.handle(), a), kOamsOk);
  EXPECT_EQ(OamsDescriptorClose(env.handle(), b), kOamsOk);
}

TEST(Descriptor, LookUps) {
  TestEnv env;
  const OamsHandle e = env.handle();
  const OamsHandle d = openJad(env, "MIDlet-Version: 2.3\nMIDlet-Jar-URL: http://h/game.jar\n");
  EXPECT_EQ(value(env, d, "MIDlet-Jar-URL"), "http://h/game.jar");
  EXPECT_EQ(value(env, d, "midlet-jar-url"), "<-17>");
  EXPECT_EQ(value(env, d, "MIDlet-Jar-UR"), "<-17>");
  int32_t length = 0;
  int32_t error = 0;
  EXPECT_EQ(OamsDescriptorGetValueByIndex(e, d, 17, &length, &error), nullptr);
  EXPECT_EQ(error, kOamsOutOfRange);
  EXPECT_EQ(OamsDescriptorGetValueByIndex(e, d, -1, &length, &error), nullptr);
  EXPECT_EQ(error, kOamsOutOfRange);
  EXPECT_EQ(OamsDescriptorGetValueByIndex(e, d, 8, &length, &error), nullptr);
  EXPECT_EQ(error, kOamsAbsent);
  EXPECT_EQ(OamsDescriptorGetValueByIndex(e, d, 1, nullptr, &error), nullptr);
  EXPECT_EQ(error, kOamsBadArgument);
  EXPECT_EQ(OamsDescriptorGetValueByKey(e, d, "A", 0, &length, &error), nullptr);
  EXPECT_EQ(error, kOamsBadArgument);
  int32_t v[3] = {-1, -1, -1};
  EXPECT_EQ(OamsDescriptorGetVersion(e, d, &v[0], &v[1], &v[2]), kOamsOk);
  EXPECT_EQ(v[0] * 10000 + v[1] * 100 + v[2], 20300) << "2.3 is 2, 3, 0";
  EXPECT_EQ(OamsDescriptorGetVersion(e, d, &v[0], nullptr, &v[2]), kOamsBadArgument);

  // Bad handles: -1, a record without the tag, a -1 environment.
  LowCopy fake(std::string(12, '\0'));
  const OamsHandle untagged = vsDescriptor_handle(fake.data());
  for (OamsHandle bad : {kOamsInvalidHandle, untagged}) {
    EXPECT_EQ(OamsDescriptorGetValueByIndex(e, bad, 2, &length, &error), nullptr);
    EXPECT_EQ(error, kOamsBadArgument);
    EXPECT_EQ(OamsJadVerify(e, bad), kOamsBadArgument);
    EXPECT_EQ(OamsManifestVerify(e, bad), kOamsBadArgument);
    // A -1 JAD means "no JAD"; one without the tag is refused.
    EXPECT_EQ(OamsJadManifestVerify(e, bad, d, 0),
              bad == kOamsInvalidHandle ? kOamsMidletMissing : kOamsBadArgument);
    EXPECT_EQ(OamsJadManifestVerify(e, d, bad, 0), kOamsBadArgument);
    EXPECT_EQ(OamsDescriptorGetVersion(e, bad, &v[0], &v[1], &v[2]), kOamsBadArgument);
    EXPECT_EQ(OamsDescriptorMerge(e, d, bad, &error), kOamsInvalidHandle);
    EXPECT_EQ(error, kOamsBadArgument);
    EXPECT_EQ(OamsDescriptorClose(e, bad), kOamsBadArgument);
  }
  EXPECT_EQ(OamsDescriptorGetValueByIndex(kOamsInvalidHandle, d, 2, &length, &error), nullptr);
  EXPECT_EQ(error, kOamsBadArgument);
  EXPECT_EQ(OamsDescriptorClose(kOamsInvalidHandle, d), kOamsBadArgument);
  EXPECT_EQ(OamsDescriptorClose(e, d), kOamsOk);
}

TEST(Descriptor, VersionCodes) {
  struct Case {
    const char* version;
    int32_t result;
  } const cases[] = {{"1.2.3", kOamsOk}, {"12", kOamsNotFound}, {"a.1", kOamsMalformed},
                     {"1.", kOamsBadArgument}, {"1.99999999999", kOamsNumberRange}};
  for (const Case& c : cases) {
    TestEnv env;
    const OamsHandle d = openJad(env, std::string("MIDlet-Version: ") + c.version);
    int32_t v[3];
    EXPECT_EQ(OamsDescriptorGetVersion(env.handle(), d, &v[0], &v[1], &v[2]), c.result)
        << c.version;
    EXPECT_EQ(OamsDescriptorClose(env.handle(), d), kOamsOk);
  }
  TestEnv env;
  const OamsHandle d = openJad(env, "A: 1");
  int32_t v[3];
  EXPECT_EQ(OamsDescriptorGetVersion(env.handle(), d, &v[0], &v[1], &v[2]), kOamsAbsent);
  EXPECT_EQ(OamsDescriptorClose(env.handle(), d), kOamsOk);
}

// The JAD read through a callback, and the opening failures.
const std::string* gJadText;
int32_t gJadCalls;

int32_t readJad(void* buffer, int32_t offset, int32_t size) {
  // Two bytes at a time, with an empty answer before each.
  if (++gJadCalls % 2 == 1) return 0;
  const int32_t n = std::min(size, 2);
  std::memcpy(buffer, gJadText->data() + offset, n);
  return n;
}

int32_t failingRead(void*, int32_t, int32_t) { return -1; }

TEST(Descriptor, JadOpen) {
  TestEnv env;
  const OamsHandle e = env.handle();
  gJadText = &kComplete;
  gJadCalls = 0;
  int32_t error = 99;
  const auto size = static_cast<int32_t>(kComplete.size());
  const OamsHandle d = OamsJadOpen(e, size, nullptr, readJad, &error);
  ASSERT_EQ(error, kOamsOk);
  EXPECT_EQ(value(env, d, "MIDlet-1"), "Game,,game.Main");
  EXPECT_EQ(OamsJadVerify(e, d), kOamsOk);
  EXPECT_EQ(OamsDescriptorClose(e, d), kOamsOk);

  struct Case {
    const char* name;
    OamsHandle env;
    int32_t size;
    const void* buffer;
    VsDescriptorReadCallback read;
    int32_t error;
  } const cases[] = {
      {"no environment", kOamsInvalidHandle, size, kComplete.data(), nullptr, kOamsBadArgument},
      {"size 0", e, 0, kComplete.data(), nullptr, kOamsBadArgument},
      {"negative size", e, -1, kComplete.data(), nullptr, kOamsBadArgument},
      {"no source", e, size, nullptr, nullptr, kOamsBadArgument},
      {"read fails", e, size, nullptr, failingRead, kOamsReadFailed},
      {"malformed", e, 4, "a b:", nullptr, kOamsMalformed},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OamsJadOpen(c.env, c.size, c.buffer, c.read, &error), kOamsInvalidHandle) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(TestEnv::live(), 1) << c.name << ": everything released";
  }
}

}  // namespace

namespace {

// The installer's work-area environment: 8 KB serve a JAD, a JAR and its
// manifest; a small area runs out with -1 and keeps working.
TEST(DescriptorEnv, WorkArea) {
  constexpr int32_t kArea = 8192;
  LowCopy area(std::string(kArea, '\0'));
  int32_t error = 99;
  EXPECT_EQ(OamsEnvInitialize(0, area.data(), &error), kOamsInvalidHandle);
  EXPECT_EQ(error, kOamsBadArgument);
  EXPECT_EQ(OamsEnvInitialize(kArea, nullptr, &error), kOamsInvalidHandle);
  EXPECT_EQ(error, kOamsBadArgument);
  EXPECT_EQ(OamsEnvInitialize(48, area.data(), &error), kOamsInvalidHandle)
      << "no room for the record";
  EXPECT_EQ(error, kOamsNoMemory);

  const OamsHandle env = OamsEnvInitialize(kArea, area.data(), &error);
  ASSERT_EQ(error, kOamsOk);
  const OamsEnv* record = vsDescriptor_env(env);
  EXPECT_NE(record->heap, kOamsNoHeap);
  EXPECT_EQ(record->allocate, 0u);
  const OamsHandle jad = OamsJadOpen(env, static_cast<int32_t>(kComplete.size()), kComplete.data(),
                                     nullptr, &error);
  ASSERT_EQ(error, kOamsOk);
  const std::string manifestText = with("MIDlet-Jar-URL", "");
  const LowCopy zip(buildZip({{"META-INF/MANIFEST.MF", {manifestText.begin(), manifestText.end()},
                               true}}));
  const OamsHandle jar = OamsJarOpen(env, zip.size(), zip.data(), nullptr, &error);
  ASSERT_EQ(error, kOamsOk);
  const OamsHandle manifest = OamsManifestOpen(env, jar, &error);
  ASSERT_EQ(error, kOamsOk);
  EXPECT_EQ(OamsJadManifestVerify(env, jad, manifest, 0), kOamsOk);
  // Fill the area with copies of the JAD until it refuses.
  std::vector<OamsHandle> copies;
  for (;;) {
    const OamsHandle d = OamsJadOpen(env, static_cast<int32_t>(kComplete.size()),
                                     kComplete.data(), nullptr, &error);
    if (d == kOamsInvalidHandle) break;
    copies.push_back(d);
  }
  EXPECT_EQ(error, kOamsNoMemory);
  EXPECT_GT(copies.size(), 2u);
  for (OamsHandle d : copies) EXPECT_EQ(OamsDescriptorClose(env, d), kOamsOk);
  EXPECT_NE(OamsJadOpen(env, static_cast<int32_t>(kComplete.size()), kComplete.data(), nullptr,
                        &error),
            kOamsInvalidHandle)
      << "released memory serves again";
  EXPECT_EQ(OamsEnvFinalize(env), kOamsOk);
  EXPECT_EQ(OamsEnvFinalize(kOamsInvalidHandle), kOamsBadArgument);
}

}  // namespace
