// ce_test_peer: the other process of the CE layer's cross-process tests.
//
//   ce_test_peer hold CEPATH        opens the file with share mode 0, prints
//                                   "ready", holds it until its input ends
//   ce_test_peer regwrite KEY TAG N writes N DWORD values TAG_0 .. TAG_N-1
//                                   into HKCU\KEY (created), prints
//                                   "failures F"
//   ce_test_peer regdelete KEY      deletes HKCU\KEY, prints its result
//
// It runs on the device root of the inherited CE_ROOT.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ce/base/codepage.h"
#include "ce/base/lasterror.h"
#include "ce/fs/file.h"
#include "ce/reg/regapi.h"

namespace {

std::u16string lWide(const char* text) {
  std::u16string out;
  for (const char* p = text; *p != 0; ++p)
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
  return out;
}

int lHold(const char* path) {
  HANDLE file = CreateFileW(lWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("error %u\n", static_cast<unsigned>(GetLastError()));
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  char c;
  while (read(0, &c, 1) > 0) {
  }
  CloseHandle(file);
  return 0;
}

int lRegWrite(const char* key, const char* tag, int count) {
  int failures = 0;
  HKEY handle;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, lWide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    std::printf("failures %d\n", count);
    return 1;
  }
  for (int i = 0; i < count; ++i) {
    const std::u16string name = lWide((std::string(tag) + "_" + std::to_string(i)).c_str());
    const DWORD value = static_cast<DWORD>(i);
    if (RegSetValueExW(handle, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4) !=
        ERROR_SUCCESS)
      ++failures;
  }
  RegCloseKey(handle);
  std::printf("failures %d\n", failures);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 1 ? argv[1] : "";
  if (verb == "hold" && argc == 3)
    return lHold(argv[2]);
  if (verb == "regwrite" && argc == 5)
    return lRegWrite(argv[2], argv[3], std::atoi(argv[4]));
  if (verb == "regdelete" && argc == 3) {
    const LONG status = RegDeleteKeyW(HKEY_CURRENT_USER, lWide(argv[2]).c_str());
    std::printf("result %ld\n", static_cast<long>(status));
    return status == ERROR_SUCCESS ? 0 : 1;
  }
  std::fprintf(stderr, "usage: ce_test_peer hold CEPATH | regwrite KEY TAG N | regdelete KEY\n");
  return 2;
}
