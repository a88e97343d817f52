// Attributes of the running application (see app_property.h).
#include "vm/services/lifecycle/app_property.h"

#include <cstring>
#include <initializer_list>

#include "vm/core/natives/char_conv.h"
#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/descriptor_env.h"
#include "vm/services/lifecycle/launch_record.h"
#include "vm/services/memory/memory_service.h"

namespace {

constexpr int32_t kModeJad = 1;
constexpr int32_t kModeJar = 2;
constexpr int32_t kUnavailable = -2;
constexpr int32_t kAbsent = -1;

void* allocate(uint32_t size, OamsHandle) { return vsMemory_allocPointer(static_cast<int32_t>(size)); }
void release(void* block, OamsHandle) { vsMemory_freePointer(block); }

VsDescriptorReadCallback readerOf(const VsLaunchSource& source) {
  return reinterpret_cast<VsDescriptorReadCallback>(vsLaunch_reader(source.reader));
}

bool hasSource(const VsLaunchSource& source) { return source.size != 0 || source.address || source.reader != 0; }

// The open handles of one look-up, all released by close().
struct Descriptors {
  OamsHandle env = -1, jar = -1, manifest = -1, jad = -1, merged = -1;

  OamsHandle open(int32_t mode) {
    int32_t error = 0;
    env = vsDescriptor_createEnv(allocate, release, &error);
    if (env == -1) return -1;
    const VsLaunchRecord& launch = vsLaunch_record();
    if ((mode & kModeJar) != 0) {
      jar = OamsJarOpen(env, launch.jar.size, launch.jar.address.get(), readerOf(launch.jar), &error);
      if (jar == -1) return -1;
      manifest = OamsManifestOpen(env, jar, &error);
      if (manifest == -1) return -1;
    }
    if ((mode & kModeJad) != 0) {
      jad = OamsJadOpen(env, launch.jad.size, launch.jad.address.get(), readerOf(launch.jad), &error);
      if (jad == -1) return -1;
    }
    if (manifest == -1) return jad;
    if (jad == -1) return manifest;
    merged = OamsDescriptorMerge(env, jad, manifest, &error);
    return merged;
  }

  ~Descriptors() {
    if (env == -1) return;
    for (const OamsHandle d : {merged, jad, manifest})
      if (d != -1) OamsDescriptorClose(env, d);
    if (jar != -1) OamsJarClose(env, jar);
    OamsEnvFinalize(env);
  }
};

int32_t lookUp(int32_t mode, const uint16_t* key, int32_t keyLength, uint8_t* out, int32_t outSize) {
  if (key == nullptr || keyLength < 0 || (out == nullptr && outSize > 0)) return kUnavailable;
  if (mode == (kModeJad | kModeJar) && !hasSource(vsLaunch_record().jad)) mode = kModeJar;
  Descriptors descriptors;
  const OamsHandle descriptor = descriptors.open(mode);
  if (descriptor == -1) return kUnavailable;
  const int32_t blockSize = 3 * keyLength + 1;
  auto* utf8 = static_cast<uint8_t*>(vsMemory_allocPointer(blockSize));
  if (utf8 == nullptr) return kUnavailable;
  int32_t utf8Length = 0;
  int32_t errors = 0;
  vsCharConv_utf16ToUtf8(key, 0, keyLength, utf8, 0, blockSize, &utf8Length, &errors, 0);
  int32_t valueLength = 0;
  int32_t error = 0;
  const char* value = OamsDescriptorGetValueByKey(descriptors.env, descriptor, reinterpret_cast<const char*>(utf8),
                                                  utf8Length, &valueLength, &error);
  vsMemory_freePointer(utf8);
  if (value == nullptr) return kAbsent;
  const int32_t copied = valueLength < outSize ? valueLength : outSize;
  if (copied > 0) std::memcpy(out, value, static_cast<size_t>(copied));
  return valueLength;
}

}  // namespace

int32_t vsApp_getProperty(const uint16_t* key, int32_t keyLength, uint8_t* out, int32_t outSize) {
  return lookUp(kModeJad | kModeJar, key, keyLength, out, outSize);
}

int32_t vsApp_getJadProperty(const uint16_t* key, int32_t keyLength, uint8_t* out, int32_t outSize) {
  return lookUp(kModeJad, key, keyLength, out, outSize);
}
