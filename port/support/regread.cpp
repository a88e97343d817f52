// Registry readers (see regread.h).
#include "port/support/regread.h"

#include <vector>

#include "ce/base/lasterror.h"

namespace {

constexpr const WCHAR* kVostelKey = u"Software\\Vostel";

}  // namespace

DWORD RegGetVostelDword(const WCHAR* name) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kVostelKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  const LONG status = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? value : 0;
}

std::u16string RegReadString(HKEY root, const WCHAR* subKey, const WCHAR* name) {
  HKEY key;
  if (RegOpenKeyExW(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return std::u16string();
  DWORD type = 0, size = 0;
  std::u16string text;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
    std::vector<BYTE> buffer(static_cast<size_t>(size) + 2, 0);
    DWORD room = size;
    if (RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &room) == ERROR_SUCCESS && type == REG_SZ) {
      for (size_t i = 0; i + 1 < buffer.size(); i += 2) {
        const WCHAR unit = static_cast<WCHAR>(buffer[i] | (buffer[i + 1] << 8));
        if (unit == 0)
          break;
        text.push_back(unit);
      }
    }
  }
  RegCloseKey(key);
  return text;
}
