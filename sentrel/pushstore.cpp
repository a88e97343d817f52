// The push registry's store (see pushstore.h).
#include "sentrel/pushstore.h"

#include "ce/base/crt_printf.h"
#include "ce/core/clock.h"
#include "ce/core/systime.h"
#include "ce/reg/regapi.h"

namespace {

constexpr size_t kNameUnits = 260;
constexpr const WCHAR* kPortValues[] = {u"ModuleToRun", u"CmdLine", u"SenderFilter", u"OtherInfo"};
constexpr const WCHAR* kAlarmValues[] = {u"DateTime", u"ModuleToRun", u"CmdLine", u"OtherInfo"};
constexpr size_t kTimeTextMin = 25;  // "1995_01_01 24_00_00.999 4"

std::u16string lSubKey(const std::u16string& name) { return std::u16string(kPushStoreKey) + u"\\" + name; }

std::u16string lDecimal(DWORD value) {
  WCHAR text[16];
  _snwprintf(text, 16, u"%u", static_cast<unsigned>(value));
  return text;
}

// A REG_SZ value; false when missing or of another type.
bool lReadValue(HKEY key, const WCHAR* name, std::u16string* out) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
    return false;
  std::vector<WCHAR> buffer(size / 2 + 2, 0);
  DWORD got = size;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
          ERROR_SUCCESS ||
      got != size)
    return false;
  out->assign(buffer.data());
  return true;
}

LONG lWriteValue(HKEY key, const WCHAR* name, const std::u16string& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
}

// Creates `name` and writes the values in order; on a failure the key goes.
LONG lStore(const std::u16string& name, const WCHAR* const (&names)[4],
            const std::u16string* const (&texts)[4]) {
  HKEY key;
  LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, lSubKey(name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  for (size_t i = 0; i < 4 && status == ERROR_SUCCESS; ++i) status = lWriteValue(key, names[i], *texts[i]);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) pushStore_deleteKey(name);
  return status;
}

// Reads the four values of `name`; false when the key or one is missing.
bool lRead(const std::u16string& name, const WCHAR* const (&names)[4], std::u16string* const (&texts)[4]) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, lSubKey(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  bool whole = true;
  for (size_t i = 0; i < 4 && whole; ++i) whole = lReadValue(key, names[i], texts[i]);
  RegCloseKey(key);
  return whole;
}

// A decimal port 1-65535, the whole name.
bool lPortName(const std::u16string& name, DWORD* port) {
  if (name.empty() || name.size() > 5 || name[0] == u'0') return false;
  DWORD value = 0;
  for (char16_t c : name) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
  }
  *port = value;
  return value >= 1 && value <= 65535;
}

// Two or more digits at `at` within [min, max].
bool lField(const std::u16string& text, size_t at, size_t digits, unsigned max, WORD* out) {
  unsigned value = 0;
  for (size_t i = at; i < at + digits; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return false;
    value = value * 10 + (text[i] - u'0');
  }
  *out = static_cast<WORD>(value);
  return value <= max;
}

}  // namespace

std::u16string pushStore_formatTime(uint64_t fileTime) {
  const FILETIME ft{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
  SYSTEMTIME st{};
  FileTimeToSystemTime(&ft, &st);
  WCHAR text[40];
  _snwprintf(text, 40, u"%04d_%02d_%02d %02d:%02d:%02d.%03d %01d", st.wYear, st.wMonth, st.wDay, st.wHour,
             st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek);
  return text;
}

uint64_t pushStore_parseTime(const std::u16string& text) {
  if (text.size() < kTimeTextMin) return 0;
  auto is = [&text](size_t at, std::initializer_list<char16_t> allowed) {
    for (char16_t c : allowed)
      if (text[at] == c) return true;
    return false;
  };
  SYSTEMTIME st{};
  WORD dayOfWeek = 0;
  if (!is(4, {u'_'}) || !is(7, {u'_'}) || !is(10, {u' '}) || !is(13, {u':', u'_'}) || !is(16, {u':', u'_'}) ||
      !is(19, {u'.'}) || !is(23, {u' '}) || !lField(text, 0, 4, 30827, &st.wYear) ||
      !lField(text, 5, 2, 12, &st.wMonth) || !lField(text, 8, 2, 31, &st.wDay) ||
      !lField(text, 11, 2, 23, &st.wHour) || !lField(text, 14, 2, 59, &st.wMinute) ||
      !lField(text, 17, 2, 59, &st.wSecond) || !lField(text, 20, 3, 999, &st.wMilliseconds) ||
      !lField(text, 24, 1, 6, &dayOfWeek))
    return 0;
  FILETIME ft{};
  if (!SystemTimeToFileTime(&st, &ft)) return 0;
  return uint64_t{ft.dwHighDateTime} << 32 | ft.dwLowDateTime;
}

std::u16string pushStore_alarmKey(uint32_t number) {
  WCHAR text[16];
  _snwprintf(text, 16, u"Alarm%02u", static_cast<unsigned>(number));
  return text;
}

LONG pushStore_init(bool* created) {
  HKEY key;
  DWORD disposition = 0;
  const LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, kPushStoreKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                      nullptr, &key, &disposition);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  *created = disposition == REG_CREATED_NEW_KEY;
  return status;
}

bool pushStore_hasPort(DWORD port) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, lSubKey(lDecimal(port)).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

LONG pushStore_storePort(DWORD port, const PushRegistrationBody& body) {
  return lStore(lDecimal(port), kPortValues, {&body.module, &body.commandLine, &body.filter, &body.other});
}

LONG pushStore_storeAlarm(uint32_t number, const AlarmBody& body) {
  const std::u16string time = pushStore_formatTime(body.time);
  return lStore(pushStore_alarmKey(number), kAlarmValues,
                {&time, &body.module, &body.commandLine, &body.other});
}

bool pushStore_readPort(DWORD port, PushRegistrationBody* body) {
  return lRead(lDecimal(port), kPortValues, {&body->module, &body->commandLine, &body->filter, &body->other});
}

LONG pushStore_deleteKey(const std::u16string& name) {
  return RegDeleteKeyW(HKEY_CURRENT_USER, lSubKey(name).c_str());
}

PushStoreContents pushStore_load() {
  PushStoreContents contents;
  std::vector<std::u16string> names;
  HKEY base;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kPushStoreKey, 0, KEY_READ, &base) != ERROR_SUCCESS) return contents;
  for (DWORD index = 0;; ++index) {
    WCHAR name[kNameUnits + 1] = {};
    DWORD units = kNameUnits + 1;
    if (RegEnumKeyExW(base, index, name, &units, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name);
  }
  RegCloseKey(base);
  for (const std::u16string& name : names) {
    if (name.compare(0, 5, u"Alarm") == 0) {
      StoredAlarm alarm{name, {}};
      std::u16string time;
      if (lRead(name, kAlarmValues,
                {&time, &alarm.body.module, &alarm.body.commandLine, &alarm.body.other})) {
        alarm.body.time = pushStore_parseTime(time);
        contents.alarms.push_back(std::move(alarm));
        continue;
      }
    } else {
      DWORD port = 0;
      PushRegistrationBody body;
      if (!lPortName(name, &port)) {
        contents.ignored.push_back(name);
        continue;
      }
      if (lRead(name, kPortValues, {&body.module, &body.commandLine, &body.filter, &body.other})) {
        contents.ports.push_back(port);
        continue;
      }
    }
    pushStore_deleteKey(name);
    contents.interrupted.push_back(name);
  }
  return contents;
}
