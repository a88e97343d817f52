// The device-root initialiser (see init.h).
#include "ce/device/init.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <array>
#include <cstring>

#include "ce/base/codepage.h"
#include "ce/base/crt_string.h"
#include "ce/base/lasterror.h"
#include "ce/fs/dirops.h"
#include "ce/fs/pathmap.h"
#include "ce/reg/regapi.h"
#include "ce/reg/regdb.h"

namespace {

// The device's directories, parents first.
constexpr const char16_t* kDirectories[] = {
    u"\\Temp",    u"\\Windows",         u"\\Program Files",         u"\\Program Files\\Vostel",
    u"\\Storage", u"\\Storage\\Vostel", u"\\Storage\\Vostel\\java", u"\\My Documents",
};

struct RegistryDefault {
  HKEY root;
  const char16_t* key;
  const char16_t* name;
  DWORD type;  // REG_SZ or REG_DWORD
  const char16_t* text;
  DWORD number;
};

// The values a fresh device starts with.
const RegistryDefault kDefaults[] = {
    {HKEY_CURRENT_USER, u"Software\\Vostel", u"Vostel_Dir", REG_SZ, u"\\Program Files\\Vostel", 0},
    {HKEY_CURRENT_USER, u"Software\\Vostel", u"TraceLog", REG_DWORD, nullptr, 0},
    {HKEY_LOCAL_MACHINE, u"Device\\Phone", u"SmscAddress", REG_SZ, u"127.0.0.1:5300", 0},
};

constexpr const char16_t* kPhoneKey = u"Device\\Phone";

struct ProgramLink {
  const char* cePath;
  const char* program;  // in the directory of cedevice
};

// The device's programs, each added with the subsystem that builds it.
constexpr std::array<ProgramLink, 1> kProgramLinks{{
    {"\\Windows\\Sentrel.exe", "Sentrel"},
}};

// Links cePath to the host file target unless something is there already.
int lLinkOne(const std::string& cePath, const std::string& target) {
  std::string host;
  if (!vsCeFs_hostPath(vsCeCodepage_utf16(cePath).c_str(), &host)) {
    std::fprintf(stderr, "cedevice init: bad link path %s (error %u)\n", cePath.c_str(),
                 static_cast<unsigned>(GetLastError()));
    return 1;
  }
  struct stat st;
  if (lstat(host.c_str(), &st) == 0)
    return 0;
  char absolute[PATH_MAX];
  if (realpath(target.c_str(), absolute) == nullptr || symlink(absolute, host.c_str()) != 0) {
    std::fprintf(stderr, "cedevice init: cannot link %s to %s: %s\n", cePath.c_str(), target.c_str(),
                 std::strerror(errno));
    return 1;
  }
  return 0;
}

int lFail(const char* what, DWORD code) {
  std::fprintf(stderr, "cedevice init: %s failed (error %u)\n", what, static_cast<unsigned>(code));
  return 1;
}

// Writes an option's text (ASCII) as a REG_SZ value of HKLM "Device\Phone".
LONG lSetPhoneValue(const char16_t* name, const std::string& text) {
  HKEY key;
  LONG status =
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPhoneKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  const std::u16string wide(text.begin(), text.end());
  status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                          static_cast<DWORD>((wide.size() + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
  return status;
}

}  // namespace

int vsCeDevice_init(const std::string& root, const CeDeviceInitOptions& options) {
  if (mkdir(root.c_str(), 0777) != 0 && errno != EEXIST)
    return lFail("creating the root", static_cast<DWORD>(errno));
  if (mkdir((root + "/.ce").c_str(), 0700) != 0 && errno != EEXIST)
    return lFail("creating .ce", static_cast<DWORD>(errno));
  setenv("CE_ROOT", root.c_str(), 1);
  vsCeReg_reset();
  for (const char16_t* directory : kDirectories)
    if (!CreateDirectoryW(directory, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return lFail("creating a directory", GetLastError());
  for (const RegistryDefault& row : kDefaults) {
    HKEY key;
    LONG status = RegCreateKeyExW(row.root, row.key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return lFail("creating a registry key", static_cast<DWORD>(status));
    status = RegQueryValueExW(key, row.name, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_FILE_NOT_FOUND) {
      if (row.type == REG_SZ)
        status = RegSetValueExW(key, row.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(row.text),
                                static_cast<DWORD>((wcslen(row.text) + 1) * sizeof(WCHAR)));
      else
        status = RegSetValueExW(key, row.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&row.number),
                                sizeof row.number);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return lFail("writing a registry default", static_cast<DWORD>(status));
  }
  const struct {
    const char16_t* name;
    const std::string& text;
  } given[] = {{u"Number", options.phone}, {u"SmscAddress", options.smsc}};
  for (const auto& value : given) {
    if (value.text.empty()) continue;
    const LONG status = lSetPhoneValue(value.name, value.text);
    if (status != ERROR_SUCCESS) return lFail("writing a phone setting", static_cast<DWORD>(status));
  }
  return 0;
}

int vsCeDevice_link(const std::string& root, const std::string& bin,
                    const std::vector<std::pair<std::string, std::string>>& extra) {
  setenv("CE_ROOT", root.c_str(), 1);
  const std::string directory = bin.substr(0, bin.rfind('/') + 1);
  for (const ProgramLink& row : kProgramLinks) {
    const std::string program = directory + row.program;
    if (access(program.c_str(), X_OK) == 0 && lLinkOne(row.cePath, program) != 0)
      return 1;
  }
  for (const auto& [cePath, file] : extra)
    if (lLinkOne(cePath, file) != 0)
      return 1;
  return 0;
}
