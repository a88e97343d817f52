// Native function names (see jni_names.h).
#include "tools/romizer/jni_names.h"

#include <cstdint>
#include <cstdio>

namespace {

bool isContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// The UTF-16 unit at text[*at], advancing *at; false for a malformed
// sequence.
bool nextUnit(const std::string& text, size_t* at, uint16_t* unit) {
  const size_t n = text.size();
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t b0 = byte(*at);
  if (b0 != 0 && b0 < 0x80) {
    *unit = b0;
    *at += 1;
    return true;
  }
  if ((b0 & 0xE0) == 0xC0 && *at + 1 < n && isContinuation(byte(*at + 1))) {
    *unit = static_cast<uint16_t>((b0 & 0x1F) << 6 | (byte(*at + 1) & 0x3F));
    *at += 2;
    return true;
  }
  if ((b0 & 0xF0) == 0xE0 && *at + 2 < n && isContinuation(byte(*at + 1)) && isContinuation(byte(*at + 2))) {
    *unit = static_cast<uint16_t>((b0 & 0x0F) << 12 | (byte(*at + 1) & 0x3F) << 6 | (byte(*at + 2) & 0x3F));
    *at += 3;
    return true;
  }
  return false;
}

bool isAsciiAlphanumeric(uint16_t u) {
  return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

}  // namespace

std::string romizer_jniMangle(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    uint16_t u;
    if (!nextUnit(text, &at, &u)) return "";
    if (isAsciiAlphanumeric(u)) {
      out += static_cast<char>(u);
    } else if (u == '/') {
      out += '_';
    } else if (u == '_') {
      out += "_1";
    } else if (u == ';') {
      out += "_2";
    } else if (u == '[') {
      out += "_3";
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "_0%04x", u);
      out += escaped;
    }
  }
  return out;
}

std::string romizer_jniName(const std::string& className, const std::string& methodName,
                            const std::string* argumentDescriptor) {
  const std::string cls = romizer_jniMangle(className);
  const std::string method = romizer_jniMangle(methodName);
  if (cls.empty() || method.empty()) return "";
  std::string name = "Java_" + cls + "_" + method;
  if (argumentDescriptor != nullptr) {
    const std::string arguments = romizer_jniMangle(*argumentDescriptor);
    if (arguments.empty() && !argumentDescriptor->empty()) return "";
    name += "__" + arguments;
  }
  return name;
}
