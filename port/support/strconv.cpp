// String conversions and formatters (see strconv.h).
#include "port/support/strconv.h"

#include <vector>

#include "ce/base/codepage.h"
#include "ce/base/crt_printf.h"

namespace {

std::string lNarrow(UINT codePage, const std::u16string& text) {
  if (text.empty())
    return std::string();
  const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::u16string lWide(UINT codePage, const std::string& text) {
  if (text.empty())
    return std::u16string();
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0)
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace

std::string WStringToUtf8(const std::u16string& text) { return lNarrow(CP_UTF8, text); }
std::u16string Utf8ToWString(const std::string& text) { return lWide(CP_UTF8, text); }
std::string WStringToString(const std::u16string& text) { return lNarrow(CP_ACP, text); }
std::u16string StringToWString(const std::string& text) { return lWide(CP_ACP, text); }

void FormatWStringV(std::u16string* out, const WCHAR* format, va_list arguments) {
  out->clear();
  va_list count;
  va_copy(count, arguments);
  const int n = _vscwprintf(format, count);
  va_end(count);
  if (n <= 0)
    return;
  std::vector<WCHAR> buffer(static_cast<size_t>(n) + 1, 0);
  if (_vsnwprintf(buffer.data(), buffer.size(), format, arguments) == n)
    out->assign(buffer.data(), static_cast<size_t>(n));
}

void FormatStringV(std::string* out, const char* format, va_list arguments) {
  out->clear();
  va_list count;
  va_copy(count, arguments);
  const int n = _vscprintf(format, count);
  va_end(count);
  if (n <= 0)
    return;
  std::vector<char> buffer(static_cast<size_t>(n) + 1, 0);
  if (_vsnprintf(buffer.data(), buffer.size(), format, arguments) == n)
    out->assign(buffer.data(), static_cast<size_t>(n));
}

void FormatWString(std::u16string* out, const WCHAR* format, ...) {
  va_list args;
  va_start(args, format);
  FormatWStringV(out, format, args);
  va_end(args);
}

void FormatString(std::string* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatStringV(out, format, args);
  va_end(args);
}

std::u16string PathJoin(const std::u16string& text, const WCHAR* more) {
  return more == nullptr ? text : text + more;
}

std::u16string PathCombine(const std::u16string& directory, const WCHAR* name) {
  std::u16string out = directory;
  if (out.empty() || out.back() != u'\\')
    out.push_back(u'\\');
  return PathJoin(out, name);
}
