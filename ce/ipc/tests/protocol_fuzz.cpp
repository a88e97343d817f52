// Arbitrary datagrams through the frame decoder: no crash, and every frame it
// accepts re-encodes to exactly the bytes it came from.
#include <cstdint>
#include <cstring>
#include <vector>

#include "ce/ipc/protocol.h"
#include "tests/support/fuzz_main.h"

namespace {

void body(const uint8_t* data, size_t size) {
  Frame frame{};
  const char* reason = nullptr;
  if (!vsCeIpc_decode(data, size, &frame, &reason)) {
    if (reason == nullptr)
      __builtin_trap();
    return;
  }
  const std::vector<uint8_t> again = vsCeIpc_encode(frame);
  if (again.size() != size || std::memcmp(again.data(), data, size) != 0)
    __builtin_trap();
}

}  // namespace

VS_FUZZ_TARGET(body)
