// Code pages (see codepage.h).
#include "ce/base/codepage.h"

#include "ce/base/lasterror.h"

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool lSupported(UINT codePage) { return codePage == CP_ACP || codePage == CP_UTF8; }

bool lContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

size_t vsCeCodepage_decodeUtf8(const unsigned char* text, size_t length, uint32_t* codePoint) {
  const unsigned char lead = text[0];
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  }
  size_t need;
  uint32_t value;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    value = lead & 0x0F;
    if (lead == 0xE0)
      low = 0xA0;  // overlong
    if (lead == 0xED)
      high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    value = lead & 0x07;
    if (lead == 0xF0)
      low = 0x90;  // overlong
    if (lead == 0xF4)
      high = 0x8F;  // above U+10FFFF
  } else {
    *codePoint = kReplacement;
    return 1;
  }
  size_t used = 1;
  for (size_t i = 0; i < need; ++i) {
    if (used >= length) {
      *codePoint = kReplacement;
      return used;
    }
    const unsigned char b = text[used];
    const bool ok = i == 0 ? (b >= low && b <= high) : lContinuation(b);
    if (!ok) {
      *codePoint = kReplacement;
      return used;
    }
    value = (value << 6) | (b & 0x3F);
    ++used;
  }
  *codePoint = value;
  return used;
}

size_t vsCeCodepage_decodeUtf16(const WCHAR* text, size_t length, uint32_t* codePoint) {
  const uint32_t first = text[0];
  if (first < 0xD800 || first > 0xDFFF) {
    *codePoint = first;
    return 1;
  }
  if (first <= 0xDBFF && length > 1 && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
    *codePoint = 0x10000 + ((first - 0xD800) << 10) + (text[1] - 0xDC00u);
    return 2;
  }
  *codePoint = kReplacement;
  return 1;
}

size_t vsCeCodepage_encodeUtf8(uint32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

int MultiByteToWideChar(UINT codePage, DWORD, const char* text, int length, WCHAR* out,
                        int outUnits) {
  if (!lSupported(codePage) || text == nullptr || length < -1 || outUnits < 0 ||
      (outUnits > 0 && out == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = length == -1 ? __builtin_strlen(text) + 1 : static_cast<size_t>(length);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t written = 0;
  for (size_t i = 0; i < n;) {
    uint32_t cp;
    i += vsCeCodepage_decodeUtf8(bytes + i, n - i, &cp);
    const size_t units = cp >= 0x10000 ? 2 : 1;
    if (outUnits > 0) {
      if (written + units > static_cast<size_t>(outUnits)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      if (units == 2) {
        out[written] = static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10));
        out[written + 1] = static_cast<WCHAR>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        out[written] = static_cast<WCHAR>(cp);
      }
    }
    written += units;
    if (written > 0x7FFFFFFF) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
  }
  return static_cast<int>(written);
}

int WideCharToMultiByte(UINT codePage, DWORD, const WCHAR* text, int length, char* out,
                        int outBytes, const char*, BOOL* usedDefault) {
  if (!lSupported(codePage) || text == nullptr || length < -1 || outBytes < 0 ||
      (outBytes > 0 && out == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (usedDefault != nullptr)
    *usedDefault = FALSE;
  size_t n = 0;
  if (length == -1) {
    while (text[n] != 0)
      ++n;
    ++n;
  } else {
    n = static_cast<size_t>(length);
  }
  size_t written = 0;
  for (size_t i = 0; i < n;) {
    uint32_t cp;
    i += vsCeCodepage_decodeUtf16(text + i, n - i, &cp);
    char bytes[4];
    const size_t k = vsCeCodepage_encodeUtf8(cp, bytes);
    if (outBytes > 0) {
      if (written + k > static_cast<size_t>(outBytes)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      for (size_t j = 0; j < k; ++j)
        out[written + j] = bytes[j];
    }
    written += k;
    if (written > 0x7FFFFFFF) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
  }
  return static_cast<int>(written);
}

std::string vsCeCodepage_utf8(const std::u16string& text) {
  const int length = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), n, nullptr, nullptr);
  return out;
}

std::u16string vsCeCodepage_utf16(const std::string& text) {
  const int length = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), n);
  return out;
}
