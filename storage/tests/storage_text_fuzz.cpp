// Any input through the descriptor text functions: the first line is the
// key, the rest the text. Every function stays inside its buffers and its
// results keep their promises (terminated outputs, values that fit).
#include <cstring>
#include <string>
#include <vector>

#include "storage/ojmstext.h"
#include "tests/support/fuzz_main.h"

namespace {

void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

void body(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t newline = input.find('\n');
  const std::string key = input.substr(0, newline == std::string::npos ? 0 : newline);
  const std::vector<char> text(input.begin() + static_cast<std::ptrdiff_t>(newline == std::string::npos ? 0 : newline + 1),
                               input.end());
  const auto length = static_cast<int32_t>(text.size());
  const std::string keyText(key.c_str());
  const int32_t at = ojms_findKey(text.data(), keyText.c_str(), length);
  check(at < length);
  char value[64];
  if (ojms_getAttribute(text.data(), length, keyText.c_str(), value, sizeof value, (size & 1) != 0) == 0) {
    check(at >= 0 && std::strlen(value) < sizeof value);
    OjmsMidletInfo midlet;
    if (_splitMIDletString(value, &midlet) == 0) {
      check(std::strlen(midlet.name) < sizeof midlet.name && std::strlen(midlet.className) < sizeof midlet.className);
    }
  }
  const std::string terminated(text.begin(), text.end());
  ojms_isUtf8(terminated.c_str());
  ojms_isAttributeName(terminated.c_str());
  std::vector<char> out(terminated.size() + 1);
  ojms_removeBlanks(terminated.c_str(), out.data());
  OjmsUrl url;
  if (ojms_parseUrl(text.data(), length, &url) == 0) {
    check(std::strlen(url.host) < sizeof url.host && std::strlen(url.path) < sizeof url.path);
  }
  std::vector<uint16_t> wide(text.size() + 1);
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t chars = ojms_utf8ToUtf16(bytes, length, wide.data(), static_cast<int32_t>(wide.size()));
  check(chars >= 0 && chars < static_cast<int32_t>(wide.size()) && wide[static_cast<size_t>(chars)] == 0);
  const int32_t need = ojms_utf16Utf8Length(wide.data(), chars);
  std::vector<uint8_t> back(static_cast<size_t>(need) + 1);
  check(ojms_utf16ToUtf8(wide.data(), chars, back.data(), need + 1) == need);
  uint8_t small[7];
  check(ojms_utf16ToUtf8(wide.data(), chars, small, sizeof small) < static_cast<int32_t>(sizeof small));
  const int32_t count = ojms_utf8CharCount(bytes, length);
  check(count <= length && ojms_utf8Utf16Bytes(bytes, length) == (count < 0 ? -1 : 2 * count));
  ojms_compareNoCase(keyText.c_str(), terminated.c_str(), static_cast<int32_t>(keyText.size() + 1));
}

}  // namespace

VS_FUZZ_TARGET(body)
