// The device stand-ins of the test port (see test_port.h): each writes one
// trace line naming itself and its arguments.
#include <mutex>
#include <string>
#include <vector>

#include "port/device.h"
#include "port/trace.h"
#include "tools/testport/test_port.h"

namespace {

std::mutex gFilesLock;
std::vector<int32_t> gClosed;  // guarded by gFilesLock

}  // namespace

void JkDeviceInitInstructionCache() { TracePrintfA("JkDeviceInitInstructionCache()\n"); }

void JkRandomAccessFileClose(int32_t handle) {
  TracePrintfA("JkRandomAccessFileClose(%d)\n", handle);
  std::lock_guard<std::mutex> guard(gFilesLock);
  gClosed.push_back(handle);
}

void JkDeviceNotifyAppInactive() { TracePrintfA("JkDeviceNotifyAppInactive()\n"); }

int32_t JkDeviceStopVibration() {
  TracePrintfA("JkDeviceStopVibration()\n");
  return 1;
}

int32_t JkDeviceStopBacklightFlash() {
  TracePrintfA("JkDeviceStopBacklightFlash()\n");
  return 1;
}

void JkSoftkeyResetLabels() { TracePrintfA("JkSoftkeyResetLabels()\n"); }

namespace {

constexpr int32_t kMaxRequestUnits = 256;

bool hasScheme(const uint16_t* url, int32_t count, const char* scheme) {
  int32_t i = 0;
  for (; scheme[i] != '\0'; ++i) {
    if (i >= count) return false;
    uint16_t unit = url[i];
    if (unit >= 'A' && unit <= 'Z') unit = static_cast<uint16_t>(unit + ('a' - 'A'));
    if (unit != static_cast<uint8_t>(scheme[i])) return false;
  }
  return true;
}

}  // namespace

int32_t JkPlatformRequest(const uint16_t* url, int32_t count) {
  int32_t result = 0;
  std::string text;
  if (url == nullptr) {
    result = 1;
  } else {
    for (int32_t i = 0; i < count && i <= kMaxRequestUnits; ++i)
      text.push_back(url[i] < 0x80 ? static_cast<char>(url[i]) : '?');
    if (count >= 1 && count <= kMaxRequestUnits && (hasScheme(url, count, "http:") || hasScheme(url, count, "tel:")))
      result = 2;
  }
  TracePrintfA("JkPlatformRequest(%s, %d) = %d\n", url == nullptr ? "null" : text.c_str(), count, result);
  return result;
}

std::vector<int32_t> vsTestPort_takeClosedFiles() {
  std::lock_guard<std::mutex> guard(gFilesLock);
  std::vector<int32_t> closed;
  closed.swap(gClosed);
  return closed;
}
