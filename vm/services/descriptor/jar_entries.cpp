// Single entries of a suite JAR, and the suite's icon (see jar_entries.h).
#include "vm/services/descriptor/jar_entries.h"

#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/descriptor_jar.h"

namespace {

// The icon's entry name, or a code.
int32_t iconName(OamsHandle env, OamsHandle descriptor, const char** name) {
  int32_t length = 0;
  int32_t error = kOamsOk;
  const char* value =
      OamsDescriptorGetValueByIndex(env, descriptor, kVsKeyIcon, &length, &error);
  if (value == nullptr) return error;
  if (length > 0 && value[0] == '/') {
    ++value;
    --length;
  }
  *name = value;
  return length;
}

}  // namespace

int32_t OamsJarGetEntrySize(OamsHandle envHandle, OamsHandle jarHandle, const char* name,
                            int32_t nameLength) {
  OamsEnv* env = vsDescriptor_env(envHandle);
  const auto* jar = vsDescriptor_record<OamsJar>(jarHandle);
  if (env == nullptr || jar == nullptr || name == nullptr || nameLength < 0)
    return kOamsBadArgument;
  const int32_t size = vsDescriptorJar_entrySize(env, jar, name, nameLength, false);
  return size < 0 ? kOamsReadFailed : size;
}

int32_t OamsJarReadEntry(OamsHandle envHandle, OamsHandle jarHandle, const char* name,
                         int32_t nameLength, void* buffer, int32_t bufferSize) {
  OamsEnv* env = vsDescriptor_env(envHandle);
  const auto* jar = vsDescriptor_record<OamsJar>(jarHandle);
  if (env == nullptr || jar == nullptr || name == nullptr || nameLength < 0 ||
      buffer == nullptr || bufferSize < 0)
    return kOamsBadArgument;
  const uint8_t* header = vsDescriptorJar_findEntry(env, jar, name, nameLength, false);
  if (header == nullptr) return kOamsReadFailed;
  const int32_t size = vsDescriptorJar_entrySizeOf(header);
  int32_t result;
  if (size < 0) {
    result = kOamsReadFailed;
  } else if (size > bufferSize) {
    result = kOamsBadArgument;
  } else {
    result = vsDescriptorJar_readEntry(env, jar, header, static_cast<uint8_t*>(buffer)) != nullptr
                 ? size
                 : kOamsReadFailed;
  }
  vsDescriptorJar_releaseEntry(env, jar, header);
  return result;
}

int32_t OamsJarGetIconSize(OamsHandle env, OamsHandle descriptor, OamsHandle jar) {
  if (vsDescriptor_env(env) == nullptr || vsDescriptor_open(descriptor) == nullptr ||
      jar == kOamsInvalidHandle)
    return kOamsBadArgument;
  const char* name = nullptr;
  const int32_t length = iconName(env, descriptor, &name);
  if (length < 0) return length;
  return OamsJarGetEntrySize(env, jar, name, length);
}

int32_t OamsJarReadIcon(OamsHandle env, OamsHandle descriptor, OamsHandle jar, void* buffer,
                        int32_t bufferSize) {
  if (vsDescriptor_env(env) == nullptr || vsDescriptor_open(descriptor) == nullptr ||
      jar == kOamsInvalidHandle || buffer == nullptr)
    return kOamsBadArgument;
  const char* name = nullptr;
  const int32_t length = iconName(env, descriptor, &name);
  if (length < 0) return length;
  return OamsJarReadEntry(env, jar, name, length, buffer, bufferSize);
}
