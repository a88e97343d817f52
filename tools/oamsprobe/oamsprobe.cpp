// oamsprobe: the suite-descriptor service's JAR reader on the command line.
//
//   oamsprobe open [--callback] JAR            prints the open's code (0 or < 0)
//   oamsprobe entry [--callback] JAR NAME      writes the entry's bytes
//   oamsprobe manifest [--callback] JAR        prints the manifest, "key: value"
//   oamsprobe list JAR                         prints the entry names in order
//
// The archive is read into low memory and opened from there, or with
// --callback through a read callback that delivers 1 to 7 bytes per call and
// now and then none. The service works in a work area of its own (1 MiB
// plus the archive's size). A failing operation prints its code on standard
// error (standard output for `open`) and exits 1; a usage or file error
// exits 2, a request outside the archive made to the callback exits 3.
#include <cstdio>
#include <cstring>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/descriptor_jar.h"
#include "vm/services/descriptor/jar_entries.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;
constexpr int kOutsideRead = 3;
constexpr uint32_t kWorkBytes = 1u << 20;

const uint8_t* gArchive = nullptr;
int32_t gArchiveSize = 0;
uint32_t gCalls = 0;
bool gOutside = false;

int32_t readArchive(void* buffer, int32_t offset, int32_t size) {
  if (offset < 0 || size < 0 || offset > gArchiveSize || size > gArchiveSize - offset) {
    gOutside = true;
    return -1;
  }
  const uint32_t call = gCalls++;
  if (call % 5 == 4) return 0;
  const int32_t n = size < static_cast<int32_t>(call % 7) + 1 ? size : static_cast<int32_t>(call % 7) + 1;
  std::memcpy(buffer, gArchive + offset, static_cast<size_t>(n));
  return n;
}

int usage(const char* why) {
  std::fprintf(stderr,
               "oamsprobe: %s\nusage: oamsprobe open|entry|manifest|list [--callback] JAR [NAME]\n",
               why);
  return kUsageError;
}

bool readFile(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  if (bytes.size() > 0x7FFFFFFF - kWorkBytes) return false;
  auto* data = static_cast<uint8_t*>(vsLow_alloc(bytes.size() + 1));
  if (data == nullptr) return false;
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  gArchive = data;
  gArchiveSize = static_cast<int32_t>(bytes.size());
  return true;
}

int failed(const char* what, int32_t code) {
  std::fprintf(stderr, "%s: %d\n", what, code);
  return kFailed;
}

int writeEntry(OamsHandle env, OamsHandle jar, const char* name) {
  const auto length = static_cast<int32_t>(std::strlen(name));
  const int32_t size = OamsJarGetEntrySize(env, jar, name, length);
  if (size < 0) return failed(name, size);
  auto* buffer = static_cast<uint8_t*>(vsLow_alloc(static_cast<size_t>(size) + 1));
  if (buffer == nullptr) return failed(name, kOamsNoMemory);
  const int32_t n = OamsJarReadEntry(env, jar, name, length, buffer, size);
  if (n < 0) return failed(name, n);
  std::fwrite(buffer, 1, static_cast<size_t>(n), stdout);
  vsLow_free(buffer);
  return 0;
}

int printManifest(OamsHandle env, OamsHandle jar) {
  int32_t error = 0;
  const OamsHandle manifest = OamsManifestOpen(env, jar, &error);
  if (manifest == kOamsInvalidHandle) return failed("manifest", error);
  for (const OamsAttribute* a = vsDescriptor_open(manifest)->attributes.get(); a != nullptr;
       a = a->next.get())
    std::printf("%.*s: %.*s\n", a->keyLength, a->key.get(), a->valueLength, a->value.get());
  OamsDescriptorClose(env, manifest);
  return 0;
}

int listEntries(OamsHandle jar) {
  VsDescriptorCursor cursor = vsDescriptorJar_getDirectory(vsDescriptor_record<OamsJar>(jar));
  int32_t length = 0;
  while (const char* name = vsDescriptorJar_nextEntry(&cursor, &length))
    std::printf("%.*s\n", length, name);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage("missing arguments");
  const char* command = argv[1];
  int at = 2;
  const bool callback = std::strcmp(argv[at], "--callback") == 0;
  if (callback) ++at;
  const bool isEntry = std::strcmp(command, "entry") == 0;
  const bool isList = std::strcmp(command, "list") == 0;
  if (!isEntry && !isList && std::strcmp(command, "open") != 0 &&
      std::strcmp(command, "manifest") != 0)
    return usage("unknown command");
  if (argc != at + (isEntry ? 2 : 1)) return usage("wrong number of arguments");
  if (isList && callback) return usage("list walks a JAR in memory");
  if (!readFile(argv[at])) return usage("cannot read the archive");

  void* area = vsLow_alloc(kWorkBytes + static_cast<size_t>(gArchiveSize));
  int32_t error = 0;
  const OamsHandle env =
      OamsEnvInitialize(static_cast<int32_t>(kWorkBytes) + gArchiveSize, area, &error);
  if (env == kOamsInvalidHandle) return failed("environment", error);
  const OamsHandle jar = OamsJarOpen(env, gArchiveSize, callback ? nullptr : gArchive,
                                     callback ? readArchive : nullptr, &error);
  int status;
  if (std::strcmp(command, "open") == 0) {
    std::printf("%d\n", error);
    status = jar == kOamsInvalidHandle ? kFailed : 0;
  } else if (jar == kOamsInvalidHandle) {
    status = failed("open", error);
  } else if (isEntry) {
    status = writeEntry(env, jar, argv[at + 1]);
  } else if (isList) {
    status = listEntries(jar);
  } else {
    status = printManifest(env, jar);
  }
  if (jar != kOamsInvalidHandle) OamsJarClose(env, jar);
  OamsEnvFinalize(env);
  if (gOutside) {
    std::fprintf(stderr, "the callback was asked for bytes outside the archive\n");
    return kOutsideRead;
  }
  return status;
}
