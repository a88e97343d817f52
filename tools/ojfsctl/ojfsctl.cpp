// ojfsctl: the storage file system from the command line, for tests and by
// hand, on the device root of CE_ROOT.
//
//   ojfsctl ls URI            every entry of a directory, one URI a line
//   ojfsctl cat URI           the file's bytes
//   ojfsctl stat URI          "size N flags A B"
//   ojfsctl put URI TEXT      creates or replaces the file with TEXT
//   ojfsctl rm URI | mkdir URI | mv FROM TO
//   ojfsctl ptr URI           the built-in ROM file: "size N", or "null"
//
// It loads the root overrides, runs ojfs_init and opens the trace log
// "ojfsctl.trace.txt" (written while "TraceLog" is 1). A failure prints
// "error N" with the file system's code and exits with 1; usage: 2.
#include <cstdio>
#include <cstring>
#include <string>

#include "port/support/tracefile.h"
#include "storage/ojfs.h"
#include "storage/romfs.h"
#include "storage/roots.h"

namespace {

int lFailed() {
  std::printf("error %d\n", ojfs_getLastError());
  return 1;
}

int lList(const char* uri) {
  const int32_t dir = ojfs_opendir(uri);
  if (dir < 0)
    return lFailed();
  while (const OjfsDirEntry* entry = ojfs_readdir(dir))
    std::printf("%s\n", entry->name);
  const int32_t code = ojfs_getLastError();
  ojfs_closedir(dir);
  if (code != OJFS_ERR_NONE && code != OJFS_ERR_NO_MORE_ENTRIES) {
    std::printf("error %d\n", code);
    return 1;
  }
  return 0;
}

int lCat(const char* uri) {
  const OjfsHandle file = ojfs_open(uri, OJFS_READ_EXISTING);
  if (file < 0)
    return lFailed();
  char buffer[4096];
  int32_t n;
  while ((n = ojfs_read(file, buffer, sizeof buffer)) > 0)
    std::fwrite(buffer, 1, static_cast<size_t>(n), stdout);
  const int32_t code = n < 0 ? ojfs_getLastError() : 0;
  ojfs_close(file);
  if (code != 0) {
    std::printf("error %d\n", code);
    return 1;
  }
  return 0;
}

int lPut(const char* uri, const char* text) {
  const OjfsHandle file = ojfs_open(uri, OJFS_CREATE_WRITE);
  if (file < 0)
    return lFailed();
  const int32_t length = static_cast<int32_t>(std::strlen(text));
  if (ojfs_write(file, text, length) != length) {
    const int result = lFailed();
    ojfs_close(file);
    return result;
  }
  return ojfs_close(file) == 0 ? 0 : lFailed();
}

int lRun(const std::string& verb, int argc, char** argv) {
  if (verb == "ls" && argc == 1)
    return lList(argv[0]);
  if (verb == "cat" && argc == 1)
    return lCat(argv[0]);
  if (verb == "stat" && argc == 1) {
    OjfsStat status{};
    if (ojfs_stat(argv[0], &status) != 0)
      return lFailed();
    std::printf("size %u flags %u %u\n", status.size, status.flags1, status.flags2);
    return 0;
  }
  if (verb == "put" && argc == 2)
    return lPut(argv[0], argv[1]);
  if (verb == "rm" && argc == 1)
    return ojfs_delete(argv[0]) == 0 ? 0 : lFailed();
  if (verb == "mkdir" && argc == 1)
    return ojfs_mkdir(argv[0]) == 0 ? 0 : lFailed();
  if (verb == "mv" && argc == 2)
    return ojfs_rename(argv[0], argv[1]) == 0 ? 0 : lFailed();
  if (verb == "ptr" && argc == 1) {
    uint32_t size = 0;
    if (ojfs_rom_getFileDataPointer(argv[0], &size) == nullptr)
      std::printf("null\n");
    else
      std::printf("size %u\n", size);
    return 0;
  }
  std::fprintf(stderr, "usage: ojfsctl ls|cat|stat|rm|mkdir|ptr URI | put URI TEXT | mv FROM TO\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    lRun("", 0, nullptr);
    return 2;
  }
  ojfs_loadRootOverrides();
  ojfs_init();
  TraceLogOpen(u"ojfsctl.trace.txt");
  const int status = lRun(argv[1], argc - 2, argv + 2);
  std::fflush(stdout);
  TraceClose();
  ojfs_fini();
  return status;
}
