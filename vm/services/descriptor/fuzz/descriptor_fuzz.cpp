// The parser and everything over its attributes: the input parsed as a JAD
// and as the manifest of a one-entry archive, then every look-up, both
// checks and the pair check, merges, the version and the CSV helpers on
// every value. Nothing may crash, leak or read outside a block.
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/fuzz_main.h"
#include "vm/core/loader/tests/zip_builder.h"
#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/descriptor_checks.h"
#include "vm/services/descriptor/fuzz/fuzz_support.h"
#include "vm/services/descriptor/jar_entries.h"
#include "vm/services/descriptor/text_functions.h"

namespace {

void textFunctions(const char* value, int32_t length) {
  int32_t error = 0;
  int32_t n = 0;
  OamsParseInt(value, length, &error);
  OamsTrimBlanks(value, length, &n, &error);
  OamsFindBytes(value, 0, length, ".", 1);
  const int32_t fields = OamsCsvCountFields(value, length);
  for (int32_t i = 0; i <= fields && i < 64; ++i) OamsCsvGetField(value, length, i, &n, &error);
  int32_t v[3];
  vsDescriptor_parseVersion(value, length, &v[0], &v[1], &v[2]);
}

void lookUps(OamsHandle env, OamsHandle d, OamsHandle jar) {
  if (d == kOamsInvalidHandle) return;
  int32_t length = 0;
  int32_t error = 0;
  for (int32_t index = -1; index <= kVsStandardKeyCount; ++index) {
    const char* v = OamsDescriptorGetValueByIndex(env, d, index, &length, &error);
    if (v != nullptr) textFunctions(v, length);
  }
  for (const OamsAttribute* a = vsDescriptor_open(d)->attributes.get(); a != nullptr;
       a = a->next.get()) {
    const char* v = OamsDescriptorGetValueByKey(env, d, a->key.get(), a->keyLength, &length, &error);
    if (v == nullptr || a->keyLength < 1) __builtin_trap();
    textFunctions(v, length);
  }
  int32_t v[3];
  OamsDescriptorGetVersion(env, d, &v[0], &v[1], &v[2]);
  OamsJadVerify(env, d);
  OamsManifestVerify(env, d);
  OamsJadManifestVerify(env, d, d, 0);
  OamsJadManifestVerify(env, d, d, 1);
  OamsJadManifestVerify(env, kOamsInvalidHandle, d, 0);
  if (jar != kOamsInvalidHandle) OamsJarGetIconSize(env, d, jar);
  const OamsHandle merged = OamsDescriptorMerge(env, d, d, &error);
  if (merged != kOamsInvalidHandle) OamsDescriptorClose(env, merged);
}

void body(const uint8_t* data, size_t size) {
  if (size > kVsFuzzLargestInput || size > 0x7FFFFFFF) return;
  const OamsHandle env = vsDescriptorFuzz_env();
  const uint8_t* input = vsDescriptorFuzz_guarded(data, size);
  int32_t error = 0;
  const OamsHandle jad =
      OamsJadOpen(env, static_cast<int32_t>(size), input, nullptr, &error);
  lookUps(env, jad, kOamsInvalidHandle);

  const std::vector<uint8_t> zip =
      buildZip({{"META-INF/MANIFEST.MF", std::vector<uint8_t>(data, data + size), false}});
  const uint8_t* archive = vsDescriptorFuzz_guarded(zip.data(), zip.size());
  const OamsHandle jar =
      OamsJarOpen(env, static_cast<int32_t>(zip.size()), archive, nullptr, &error);
  const OamsHandle manifest =
      jar == kOamsInvalidHandle ? kOamsInvalidHandle : OamsManifestOpen(env, jar, &error);
  lookUps(env, manifest, jar);
  if (jad != kOamsInvalidHandle && manifest != kOamsInvalidHandle) {
    OamsJadManifestVerify(env, jad, manifest, 0);
    OamsJadManifestVerify(env, jad, manifest, 1);
    const OamsHandle merged = OamsDescriptorMerge(env, jad, manifest, &error);
    lookUps(env, merged, jar);
    if (merged != kOamsInvalidHandle) OamsDescriptorClose(env, merged);
  }
  if (manifest != kOamsInvalidHandle) OamsDescriptorClose(env, manifest);
  if (jar != kOamsInvalidHandle) OamsJarClose(env, jar);
  if (jad != kOamsInvalidHandle) OamsDescriptorClose(env, jad);
  vsDescriptorFuzz_finish(env);
}

}  // namespace

VS_FUZZ_TARGET(body)
