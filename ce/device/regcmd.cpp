// The registry sub-command (see regcmd.h).
#include "ce/device/regcmd.h"

#include <stdlib.h>

#include <cstdio>
#include <cstring>

#include "ce/base/codepage.h"
#include "ce/base/lasterror.h"
#include "ce/reg/regapi.h"
#include "ce/reg/regdb.h"

namespace {

std::u16string lWide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string lNarrow(const char16_t* text, size_t units) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), out.data(), n, nullptr, nullptr);
  return out;
}

// Splits "HKCU\a\b" into its root handle and the sub-key "a\b".
bool lParseKey(const std::string& path, HKEY* root, std::u16string* subKey, std::string* rootName) {
  const size_t slash = path.find('\\');
  const std::string head = path.substr(0, slash);
  for (const RegRoot& entry : kRegRoots) {
    if (strcasecmp(head.c_str(), entry.shortName) == 0 || strcasecmp(head.c_str(), entry.name) == 0) {
      *root = reinterpret_cast<HKEY>(uintptr_t{entry.handle});
      *subKey = slash == std::string::npos ? u"" : lWide(path.substr(slash + 1));
      *rootName = entry.shortName;
      return true;
    }
  }
  std::fprintf(stderr, "cedevice reg: unknown root key in \"%s\"\n", path.c_str());
  return false;
}

int lError(const char* what, LONG status) {
  std::fprintf(stderr, "cedevice reg: %s: error %ld\n", what, static_cast<long>(status));
  return 1;
}

// The printed form of a value.
std::string lShow(DWORD type, const std::vector<BYTE>& data, bool tagged) {
  if (type == REG_SZ || type == REG_MULTI_SZ) {
    std::u16string text(data.size() / 2, u'\0');
    std::memcpy(text.data(), data.data(), text.size() * 2);
    while (!text.empty() && text.back() == 0)
      text.pop_back();
    return (tagged ? "sz:" : "") + lNarrow(text.data(), text.size());
  }
  if (type == REG_DWORD && data.size() == 4) {
    DWORD value;
    std::memcpy(&value, data.data(), 4);
    return (tagged ? "dword:" : "") + std::to_string(value);
  }
  std::string hex = tagged ? "hex:" : "";
  char byte[3];
  for (BYTE b : data) {
    std::snprintf(byte, sizeof byte, "%02x", b);
    hex += byte;
  }
  return hex;
}

LONG lRead(HKEY key, const char16_t* name, DWORD* type, std::vector<BYTE>* data) {
  DWORD size = 0;
  LONG status = RegQueryValueExW(key, name, nullptr, type, nullptr, &size);
  if (status != ERROR_SUCCESS)
    return status;
  data->assign(size, 0);
  return RegQueryValueExW(key, name, nullptr, type, data->data(), &size);
}

int lGet(HKEY root, const std::u16string& subKey, const std::string& name) {
  HKEY key;
  LONG status = RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS)
    return lError("opening the key", status);
  DWORD type = 0;
  std::vector<BYTE> data;
  status = lRead(key, lWide(name).c_str(), &type, &data);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS)
    return lError("reading the value", status);
  std::printf("%s\n", lShow(type, data, false).c_str());
  return 0;
}

int lSet(HKEY root, const std::u16string& subKey, const std::string& name, const std::string& kind,
         const std::string& value) {
  std::vector<BYTE> data;
  DWORD type;
  if (kind == "sz") {
    const std::u16string text = lWide(value);
    data.resize((text.size() + 1) * 2, 0);
    std::memcpy(data.data(), text.data(), text.size() * 2);
    type = REG_SZ;
  } else if (kind == "dword") {
    char* end = nullptr;
    const unsigned long number = std::strtoul(value.c_str(), &end, 0);
    if (value.empty() || *end != '\0' || number > 0xFFFFFFFFul) {
      std::fprintf(stderr, "cedevice reg: \"%s\" is no DWORD\n", value.c_str());
      return 2;
    }
    const DWORD word = static_cast<DWORD>(number);
    data.resize(4);
    std::memcpy(data.data(), &word, 4);
    type = REG_DWORD;
  } else {
    std::fprintf(stderr, "cedevice reg: type must be sz or dword\n");
    return 2;
  }
  HKEY key;
  LONG status = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS)
    return lError("creating the key", status);
  status = RegSetValueExW(key, lWide(name).c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 0 : lError("writing the value", status);
}

int lDelete(HKEY root, const std::u16string& subKey, const std::vector<std::string>& rest) {
  if (rest.empty()) {
    const LONG status = RegDeleteKeyW(root, subKey.c_str());
    return status == ERROR_SUCCESS ? 0 : lError("deleting the key", status);
  }
  HKEY key;
  LONG status = RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, &key);
  if (status != ERROR_SUCCESS)
    return lError("opening the key", status);
  status = RegDeleteValueW(key, lWide(rest[0]).c_str());
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 0 : lError("deleting the value", status);
}

LONG lExport(HKEY key, const std::string& path) {
  std::printf("[%s]\n", path.c_str());
  for (DWORD i = 0;; ++i) {
    WCHAR name[256];
    DWORD units = 256;
    DWORD size = 0;
    LONG status = RegEnumValueW(key, i, name, &units, nullptr, nullptr, nullptr, &size);
    if (status == ERROR_NO_MORE_ITEMS)
      break;
    if (status != ERROR_SUCCESS)
      return status;
    DWORD type = 0;
    std::vector<BYTE> data;
    status = lRead(key, name, &type, &data);
    if (status != ERROR_SUCCESS)
      return status;
    std::printf("%s=%s\n", lNarrow(name, units).c_str(), lShow(type, data, true).c_str());
  }
  for (DWORD i = 0;; ++i) {
    WCHAR name[256];
    DWORD units = 256;
    LONG status = RegEnumKeyExW(key, i, name, &units, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS)
      return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS)
      return status;
    HKEY child;
    status = RegOpenKeyExW(key, name, 0, KEY_READ, &child);
    if (status != ERROR_SUCCESS)
      return status;
    status = lExport(child, path + "\\" + lNarrow(name, units));
    RegCloseKey(child);
    if (status != ERROR_SUCCESS)
      return status;
  }
}

int lExportCommand(const std::vector<std::string>& rest) {
  std::vector<std::string> keys;
  if (rest.empty())
    for (const RegRoot& entry : kRegRoots)
      keys.emplace_back(entry.shortName);
  else
    keys.push_back(rest[0]);
  for (const std::string& path : keys) {
    HKEY root;
    std::u16string subKey;
    std::string rootName;
    if (!lParseKey(path, &root, &subKey, &rootName))
      return 2;
    HKEY key;
    LONG status = RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS)
      return lError("opening the key", status);
    status = lExport(key, path);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
      return lError("reading the registry", status);
  }
  return 0;
}

int lUsage() {
  std::fprintf(stderr,
               "usage: cedevice reg ROOT get KEY NAME | set KEY NAME sz|dword VALUE | del KEY [NAME] | "
               "export [KEY]\n");
  return 2;
}

}  // namespace

int vsCeDevice_reg(const std::string& root, const std::vector<std::string>& arguments) {
  if (arguments.empty())
    return lUsage();
  setenv("CE_ROOT", root.c_str(), 1);
  vsCeReg_reset();
  const std::string& verb = arguments[0];
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (verb == "export" && rest.size() <= 1)
    return lExportCommand(rest);
  HKEY key;
  std::u16string subKey;
  std::string rootName;
  if (rest.empty())
    return lUsage();
  if (verb == "get" && rest.size() == 2)
    return lParseKey(rest[0], &key, &subKey, &rootName) ? lGet(key, subKey, rest[1]) : 2;
  if (verb == "set" && rest.size() == 4)
    return lParseKey(rest[0], &key, &subKey, &rootName) ? lSet(key, subKey, rest[1], rest[2], rest[3]) : 2;
  if (verb == "del" && rest.size() <= 2)
    return lParseKey(rest[0], &key, &subKey, &rootName)
               ? lDelete(key, subKey, std::vector<std::string>(rest.begin() + 1, rest.end()))
               : 2;
  return lUsage();
}
