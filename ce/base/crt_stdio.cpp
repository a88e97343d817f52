// UTF-16 streams (see crt_stdio.h).
#include "ce/base/crt_stdio.h"

namespace {

constexpr unsigned kWeof = 0xFFFF;

}  // namespace

int fputws(const WCHAR* text, FILE* stream) {
  if (text == nullptr || stream == nullptr)
    return EOF;
  unsigned char chunk[512];
  size_t used = 0;
  for (size_t i = 0; text[i] != 0; ++i) {
    chunk[used++] = static_cast<unsigned char>(text[i] & 0xFF);
    chunk[used++] = static_cast<unsigned char>(text[i] >> 8);
    if (used == sizeof chunk) {
      if (std::fwrite(chunk, 1, used, stream) != used)
        return EOF;
      used = 0;
    }
  }
  if (used > 0 && std::fwrite(chunk, 1, used, stream) != used)
    return EOF;
  return 0;
}

unsigned fputwc(WCHAR unit, FILE* stream) {
  if (stream == nullptr)
    return kWeof;
  const unsigned char bytes[2] = {static_cast<unsigned char>(unit & 0xFF),
                                  static_cast<unsigned char>(unit >> 8)};
  return std::fwrite(bytes, 1, 2, stream) == 2 ? unit : kWeof;
}
