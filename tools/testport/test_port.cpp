// The test port (see test_port.h).
#include "tools/testport/test_port.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "port/device.h"
#include "port/property.h"
#include "port/trace.h"

namespace {

std::mutex gLock;
bool gCapturing = false;     // guarded by gLock
TestPortCapture gCaptured;   // guarded by gLock

// The bytes of one UTF-16 unit: itself below 0x100, else its UTF-8 form.
size_t encodeUnit(uint32_t unit, char (&bytes)[3]) {
  if (unit < 0x100) {
    bytes[0] = static_cast<char>(unit);
    return 1;
  }
  if (unit < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | (unit >> 6));
    bytes[1] = static_cast<char>(0x80 | (unit & 0x3F));
    return 2;
  }
  bytes[0] = static_cast<char>(0xE0 | (unit >> 12));
  bytes[1] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
  bytes[2] = static_cast<char>(0x80 | (unit & 0x3F));
  return 3;
}

void write(bool toTrace, const char* bytes, size_t n) {
  std::lock_guard<std::mutex> guard(gLock);
  if (gCapturing) {
    (toTrace ? gCaptured.trace : gCaptured.console).append(bytes, n);
    return;
  }
  FILE* stream = toTrace ? stderr : stdout;
  fwrite(bytes, 1, n, stream);
  if (!toTrace)
    fflush(stream);
}

void writeUnit(bool toTrace, int32_t unit) {
  char bytes[3];
  const size_t n = encodeUnit(static_cast<uint32_t>(unit) & 0xFFFFu, bytes);
  write(toTrace, bytes, n);
}

}  // namespace

int32_t JkConsolePutChar(int32_t unit) {
  writeUnit(true, unit);
  return 0;
}

int32_t JkDebugPutChar(int32_t unit) {
  writeUnit(false, unit);
  return 0;
}

void TracePrintfA(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  write(true, text, std::char_traits<char>::length(text));
}

namespace {

// The host's system properties.
constexpr struct {
  const char* key;
  const char* value;
} kHostProperties[] = {
    {"microedition.locale", "en-US"},       {"microedition.media.version", "1.1"},
    {"microedition.jtwi.version", "1.0"},   {"supports.mixing", "false"},
    {"supports.audio.capture", "false"},    {"supports.video.capture", "false"},
    {"supports.recording", "false"},
};

// The value handed out last.
std::u16string gPropertyValue;
// The launcher's pairs (vsTestPort_setProperty), asked first.
std::vector<std::pair<std::u16string, std::u16string>> gLauncherProperties;

// UTF-8 text as UTF-16 (no unit above U+FFFF; a bad byte stands for itself).
std::u16string utf16Of(const std::string& text) {
  std::u16string units;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<uint8_t>(text[i]);
    const size_t n = b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xC0 && b < 0xE0 ? 2 : 1;
    if (n == 1 || i + n > text.size()) {
      units.push_back(b);
      ++i;
      continue;
    }
    uint32_t unit = b & (n == 2 ? 0x1Fu : 0x0Fu);
    for (size_t k = 1; k < n; ++k) unit = unit << 6 | (static_cast<uint8_t>(text[i + k]) & 0x3Fu);
    units.push_back(static_cast<char16_t>(unit));
    i += n;
  }
  return units;
}

bool keyIs(const uint16_t* key, int32_t length, const char* text) {
  int32_t i = 0;
  for (; i < length && text[i] != '\0'; ++i)
    if (key[i] != static_cast<uint8_t>(text[i])) return false;
  return i == length && text[i] == '\0';
}

}  // namespace

const uint16_t* JkPropertyGetString(const uint16_t* key, int32_t keyLength, int32_t* outLength) {
  if (outLength == nullptr) return nullptr;
  *outLength = 0;
  if (key == nullptr || keyLength < 0) return nullptr;
  const std::u16string asked(reinterpret_cast<const char16_t*>(key), static_cast<size_t>(keyLength));
  bool found = false;
  for (const auto& [k, v] : gLauncherProperties)
    if (k == asked) {
      gPropertyValue = v;
      found = true;
      break;
    }
  for (const auto& p : kHostProperties) {
    if (found || !keyIs(key, keyLength, p.key)) continue;
    gPropertyValue = utf16Of(p.value);
    found = true;
  }
  if (!found) return nullptr;
  *outLength = static_cast<int32_t>(gPropertyValue.size());
  return reinterpret_cast<const uint16_t*>(gPropertyValue.data());
}

void vsTestPort_setProperty(const std::string& key, const std::string& value) {
  gLauncherProperties.emplace_back(utf16Of(key), utf16Of(value));
}

void vsTestPort_startCapture() {
  std::lock_guard<std::mutex> guard(gLock);
  gCaptured = TestPortCapture{};
  gCapturing = true;
}

TestPortCapture vsTestPort_stopCapture() {
  std::lock_guard<std::mutex> guard(gLock);
  gCapturing = false;
  TestPortCapture result = std::move(gCaptured);
  gCaptured = TestPortCapture{};
  return result;
}
