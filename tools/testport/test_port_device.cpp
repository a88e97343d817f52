// The device stand-ins of the test port (see test_port.h): each writes one
// trace line naming itself and its arguments.
#include <mutex>
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

std::vector<int32_t> vsTestPort_takeClosedFiles() {
  std::lock_guard<std::mutex> guard(gFilesLock);
  std::vector<int32_t> closed;
  closed.swap(gClosed);
  return closed;
}
