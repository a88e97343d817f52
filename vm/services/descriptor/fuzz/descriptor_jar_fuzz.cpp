// The JAR reader on hostile archives: the input opened in memory and through
// a read callback, its directory listed, its manifest opened and every entry
// up to 64 KiB read into a block of exactly its size. Nothing may crash,
// leak, read outside the input or a block, or ask the callback for bytes
// outside the archive; both modes must give the same results.
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/fuzz_main.h"
#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/descriptor_jar.h"
#include "vm/services/descriptor/fuzz/fuzz_support.h"
#include "vm/services/descriptor/jar_entries.h"

namespace {

constexpr int32_t kLargestEntry = 64 << 10;
constexpr size_t kMostEntries = 64;

const uint8_t* gArchive;
int32_t gSize;
uint32_t gCalls;

int32_t readArchive(void* buffer, int32_t offset, int32_t size) {
  if (offset < 0 || size < 0 || offset > gSize || size > gSize - offset) __builtin_trap();
  const uint32_t call = gCalls++;
  if (call % 5 == 4) return 0;
  const int32_t n = size < static_cast<int32_t>(call % 7) + 1 ? size : static_cast<int32_t>(call % 7) + 1;
  std::memcpy(buffer, gArchive + offset, static_cast<size_t>(n));
  return n;
}

// Every entry's bytes, or its code, and the manifest's code.
std::vector<std::string> readEntries(OamsHandle env, OamsHandle jar,
                                     const std::vector<std::string>& names) {
  std::vector<std::string> results;
  for (const std::string& name : names) {
    auto* copy = static_cast<char*>(vsDescriptorFuzz_alloc(name.size()));
    std::memcpy(copy, name.data(), name.size());
    const auto length = static_cast<int32_t>(name.size());
    const int32_t size = OamsJarGetEntrySize(env, jar, copy, length);
    results.push_back(std::to_string(size));
    if (size >= 0 && size <= kLargestEntry) {
      auto* buffer = static_cast<char*>(vsDescriptorFuzz_alloc(static_cast<size_t>(size)));
      const int32_t n = OamsJarReadEntry(env, jar, copy, length, buffer, size);
      results.push_back(n < 0 ? std::to_string(n) : std::string(buffer, static_cast<size_t>(n)));
      vsDescriptorFuzz_free(buffer);
    }
    vsDescriptorFuzz_free(copy);
  }
  int32_t error = 0;
  const OamsHandle manifest = OamsManifestOpen(env, jar, &error);
  results.push_back(std::to_string(error));
  if (manifest != kOamsInvalidHandle) {
    results.push_back(std::to_string(OamsJarGetIconSize(env, manifest, jar)));
    OamsDescriptorClose(env, manifest);
  }
  return results;
}

void body(const uint8_t* data, size_t size) {
  if (size > kVsFuzzLargestInput || size > 0x7FFFFFFF) return;
  const OamsHandle env = vsDescriptorFuzz_env();
  gArchive = vsDescriptorFuzz_guarded(data, size);
  gSize = static_cast<int32_t>(size);
  gCalls = 0;
  int32_t error = 0;
  std::vector<std::string> names;
  std::vector<std::string> inMemory;
  const OamsHandle jar = OamsJarOpen(env, gSize, gArchive, nullptr, &error);
  if (jar != kOamsInvalidHandle) {
    VsDescriptorCursor cursor = vsDescriptorJar_getDirectory(vsDescriptor_record<OamsJar>(jar));
    int32_t length = 0;
    while (const char* name = vsDescriptorJar_nextEntry(&cursor, &length))
      if (names.size() < kMostEntries) names.emplace_back(name, static_cast<size_t>(length));
    inMemory = readEntries(env, jar, names);
    OamsJarClose(env, jar);
  }
  const OamsHandle byCallback = OamsJarOpen(env, gSize, nullptr, readArchive, &error);
  if ((byCallback == kOamsInvalidHandle) != (jar == kOamsInvalidHandle)) __builtin_trap();
  if (byCallback != kOamsInvalidHandle) {
    if (readEntries(env, byCallback, names) != inMemory) __builtin_trap();
    OamsJarClose(env, byCallback);
  }
  vsDescriptorFuzz_finish(env);
}

}  // namespace

VS_FUZZ_TARGET(body)
