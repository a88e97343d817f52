// The test port's options (see test_port.h): the pairs a launcher set, and
// nothing else.
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "port/option.h"
#include "port/trace.h"
#include "tools/testport/test_port.h"

namespace {

std::mutex gOptionsLock;
std::map<std::u16string, std::u16string> gOptions;  // guarded by gOptionsLock
std::u16string gAnswer;                             // the value handed out last

// UTF-16 of a UTF-8 text of 1- to 3-byte sequences (test input only).
std::u16string utf16(const std::string& text) {
  std::u16string units;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    const size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    uint32_t unit = n == 1 ? lead : n == 2 ? lead & 0x1Fu : lead & 0x0Fu;
    for (size_t k = 1; k < n && i + k < text.size(); ++k)
      unit = unit << 6 | (static_cast<uint8_t>(text[i + k]) & 0x3Fu);
    units.push_back(static_cast<char16_t>(unit));
    i += n;
  }
  return units;
}

// The key for the trace line: ASCII as itself, other units as \uXXXX.
std::string printable(const std::u16string& key) {
  std::string text;
  for (char16_t unit : key) {
    if (unit >= 0x20 && unit < 0x7F) {
      text.push_back(static_cast<char>(unit));
    } else {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
      text += escaped;
    }
  }
  return text;
}

}  // namespace

void vsTestPort_setOption(const char* key, const char* value) {
  std::lock_guard<std::mutex> guard(gOptionsLock);
  gOptions[utf16(key)] = utf16(value);
}

void vsTestPort_clearOptions() {
  std::lock_guard<std::mutex> guard(gOptionsLock);
  gOptions.clear();
}

const uint16_t* JkOptionGetString(const uint16_t* key, int32_t keyLength, int32_t* valueLength) {
  const std::u16string asked =
      key != nullptr && keyLength > 0
          ? std::u16string(reinterpret_cast<const char16_t*>(key), static_cast<size_t>(keyLength))
          : std::u16string();
  std::lock_guard<std::mutex> guard(gOptionsLock);
  const auto found = gOptions.find(asked);
  if (valueLength != nullptr)
    *valueLength = found == gOptions.end() ? 0 : static_cast<int32_t>(found->second.size());
  TracePrintfA("JkOptionGetString(%.200s, %d) -> %d\n", printable(asked).c_str(), keyLength,
               found == gOptions.end() ? -1 : static_cast<int32_t>(found->second.size()));
  if (found == gOptions.end() || valueLength == nullptr) return nullptr;
  gAnswer = found->second;
  return reinterpret_cast<const uint16_t*>(gAnswer.data());
}
