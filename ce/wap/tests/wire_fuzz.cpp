// Arbitrary bytes as a datagram: the decoder never reads outside them, and
// every record it accepts re-encodes to exactly the same bytes.
#include <cstring>

#include "ce/wap/wire.h"
#include "tests/support/fuzz_main.h"

namespace {

void body(const uint8_t* data, size_t size) {
  ce::wap::WireRecord record;
  if (ce::wap::decodeWire(data, size, record) != ce::wap::WireError::None)
    return;
  ce::wap::WireError error = ce::wap::WireError::Length;
  const std::vector<uint8_t> again = ce::wap::encodeWire(record, &error);
  if (error != ce::wap::WireError::None || again.size() != size || std::memcmp(again.data(), data, size) != 0)
    __builtin_trap();
}

}  // namespace

VS_FUZZ_TARGET(body)
