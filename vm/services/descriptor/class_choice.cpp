// The application class of a record that names none (see class_choice.h).
#include "vm/services/descriptor/class_choice.h"

#include <cstring>

#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/descriptor_env.h"

namespace {

constexpr char kFirstMidlet[] = "MIDlet-1";
constexpr char kSecondMidlet[] = "MIDlet-2";
constexpr int32_t kClassField = 2;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

const char* lookUp(OamsHandle env, OamsHandle descriptor, const char* key, int32_t* length) {
  int32_t error = 0;
  return OamsDescriptorGetValueByKey(env, descriptor, key, static_cast<int32_t>(std::strlen(key)), length,
                                     &error);
}

// The class field of "MIDlet-1" into out (NUL-terminated): its length, or
// the selector's name when the descriptor asks for the selector.
int32_t pickName(OamsHandle env, OamsHandle descriptor, char* out) {
  int32_t length = 0;
  const char* value = lookUp(env, descriptor, kFirstMidlet, &length);
  int32_t start = 0;
  for (int32_t field = 0; value != nullptr && field < kClassField; ++start)
    if (start >= length) {
      value = nullptr;
    } else if (value[start] == ',') {
      ++field;
    }
  int32_t unused = 0;
  if (value == nullptr || lookUp(env, descriptor, kSecondMidlet, &unused) != nullptr) {
    std::strcpy(out, kVsMidletSelectorClass);
    return static_cast<int32_t>(sizeof(kVsMidletSelectorClass) - 1);
  }
  int32_t end = start;
  while (end < length && value[end] != ',') ++end;
  while (start < end && isBlank(value[start])) ++start;
  while (end > start && isBlank(value[end - 1])) --end;
  const int32_t n = end - start < kVsClassChoiceNameBytes - 1 ? end - start : kVsClassChoiceNameBytes - 1;
  std::memcpy(out, value + start, static_cast<size_t>(n));
  out[n] = '\0';
  return n;
}

}  // namespace

int32_t vsApp_chooseClassName(const JKT_MIDP_Application* app, char* area, int32_t areaSize) {
  if (areaSize <= kVsClassChoiceNameBytes) return -10;
  area[0] = '\0';
  int32_t error = 0;
  const OamsHandle env =
      OamsEnvInitialize(areaSize - kVsClassChoiceNameBytes, area + kVsClassChoiceNameBytes, &error);
  if (env == -1) return -1;
  const auto reader = [](VmWord word) {
    return reinterpret_cast<VsDescriptorReadCallback>(static_cast<uintptr_t>(word));
  };
  int32_t result = -1;
  const OamsHandle jar = OamsJarOpen(env, app->jarSize, app->jarAddr.get(), reader(app->jarRead), &error);
  const OamsHandle manifest = jar == -1 ? -1 : OamsManifestOpen(env, jar, &error);
  if (manifest != -1) {
    const bool hasJad = app->jadSize > 0 && (app->jadAddr || app->jadRead != 0);
    const OamsHandle jad =
        hasJad ? OamsJadOpen(env, app->jadSize, app->jadAddr.get(), reader(app->jadRead), &error) : -1;
    const OamsHandle merged = jad == -1 ? -1 : OamsDescriptorMerge(env, jad, manifest, &error);
    result = pickName(env, merged != -1 ? merged : manifest, area);
    if (merged != -1) OamsDescriptorClose(env, merged);
    if (jad != -1) OamsDescriptorClose(env, jad);
    OamsDescriptorClose(env, manifest);
  }
  if (jar != -1) OamsJarClose(env, jar);
  OamsEnvFinalize(env);
  return result >= 1 ? result : -1;
}
