// Base64 on any input: counting and writing agree, and encoding then
// decoding gives the input back.
#include <cstring>
#include <vector>

#include "port/support/base64.h"
#include "tests/support/fuzz_main.h"

namespace {

void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

void body(const uint8_t* data, size_t size) {
  if (size > 1 << 16)
    return;
  const auto* text = reinterpret_cast<const char*>(data);
  uint32_t counted = 0;
  base64_decode(text, static_cast<uint32_t>(size), nullptr, &counted);
  std::vector<uint8_t> decoded(counted + 1);
  uint32_t length = counted;
  check(base64_decode(text, static_cast<uint32_t>(size), decoded.data(), &length) == 1 || counted == 0);
  check(length == counted);
  std::vector<char> coded(4 * ((size + 2) / 3) + 1);
  uint32_t codedLength = static_cast<uint32_t>(coded.size());
  check(base64_encode(data, static_cast<uint32_t>(size), coded.data(), &codedLength) == 1);
  std::vector<uint8_t> back(size + 1);
  uint32_t backLength = static_cast<uint32_t>(size);
  base64_decode(coded.data(), codedLength, back.data(), &backLength);
  check(backLength == size && (size == 0 || std::memcmp(back.data(), data, size) == 0));
}

}  // namespace

VS_FUZZ_TARGET(body)
