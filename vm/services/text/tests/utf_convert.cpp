// Converts standard input with both UTF-16 <-> UTF-8 converters of the system
// (the VM's vsCharConv_ steps and the host's vsUtf_ functions), checks that
// they agree, and writes the result, for utf8_differential.py:
//
//   utf_convert to-utf8    UTF-16LE in, UTF-8 out
//   utf_convert to-utf16   UTF-8 in, UTF-16LE out
//
// Exit status 1, with the reason on standard error, when the two disagree or
// either reports a failure.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "vm/core/natives/char_conv.h"
#include "vm/services/text/utf.h"

namespace {

std::vector<uint8_t> readAll() {
  std::vector<uint8_t> data;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) data.insert(data.end(), chunk, chunk + n);
  return data;
}

int fail(const char* what) {
  std::fprintf(stderr, "utf_convert: %s\n", what);
  return 1;
}

int toUtf8(const std::vector<uint8_t>& in) {
  // One spare unit, so that an empty text has a source too.
  std::vector<uint16_t> units(in.size() / 2 + 1);
  for (size_t i = 0; i + 1 < units.size(); ++i) units[i] = static_cast<uint16_t>(in[2 * i] | (in[2 * i + 1] << 8));
  int32_t count = static_cast<int32_t>(units.size()) - 1;
  std::vector<uint8_t> vm(3 * units.size());
  std::vector<uint8_t> host(vm.size());
  int32_t vmLength = 0;
  int32_t errors = 0;
  int32_t vmResult = vsCharConv_utf16ToUtf8(units.data(), 0, count, vm.data(), 0, static_cast<int32_t>(vm.size()),
                                            &vmLength, &errors, 0);
  int32_t hostLength = 0;
  int32_t hostResult = vsUtf_utf16ToUtf8(units.data(), count, host.data(), static_cast<int32_t>(host.size()),
                                         &hostLength);
  if (vmResult != count || errors != 0) return fail("vsCharConv_utf16ToUtf8 did not convert everything");
  if (hostResult != count) return fail("vsUtf_utf16ToUtf8 did not convert everything");
  if (vsUtf_utf16ToUtf8Length(units.data(), count) != hostLength) return fail("vsUtf_utf16ToUtf8Length differs");
  if (vmLength != hostLength || std::memcmp(vm.data(), host.data(), static_cast<size_t>(vmLength)) != 0) {
    return fail("the two encoders differ");
  }
  std::fwrite(vm.data(), 1, static_cast<size_t>(vmLength), stdout);
  return 0;
}

int toUtf16(std::vector<uint8_t> in) {
  int32_t count = static_cast<int32_t>(in.size());
  in.push_back(0);  // so that an empty text has a source too
  std::vector<uint16_t> vm(in.size() + 1);
  std::vector<uint16_t> host(vm.size());
  int32_t vmLength = 0;
  int32_t errors = 0;
  int32_t vmResult = vsCharConv_utf8ToUtf16(in.data(), 0, count, vm.data(), 0, static_cast<int32_t>(vm.size()),
                                            &vmLength, nullptr, &errors, 0);
  int32_t hostLength = 0;
  int32_t replaced = 0;
  int32_t hostResult = vsUtf_utf8ToUtf16(in.data(), count, host.data(), static_cast<int32_t>(host.size()),
                                         &hostLength, &replaced, 0);
  if (vmResult != count || errors != 0) return fail("vsCharConv_utf8ToUtf16 did not convert everything");
  if (hostResult != count || replaced != 0) return fail("vsUtf_utf8ToUtf16 did not convert everything");
  if (vsUtf_utf8ToUtf16Length(in.data(), count) != hostLength) return fail("vsUtf_utf8ToUtf16Length differs");
  if (vmLength != hostLength ||
      std::memcmp(vm.data(), host.data(), static_cast<size_t>(vmLength) * sizeof(uint16_t)) != 0) {
    return fail("the two decoders differ");
  }
  for (int32_t i = 0; i < vmLength; ++i) {
    std::putchar(vm[i] & 0xFF);
    std::putchar(vm[i] >> 8);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return fail("usage: utf_convert to-utf8|to-utf16");
  std::vector<uint8_t> in = readAll();
  if (std::strcmp(argv[1], "to-utf8") == 0) return toUtf8(in);
  if (std::strcmp(argv[1], "to-utf16") == 0) return toUtf16(in);
  return fail("usage: utf_convert to-utf8|to-utf16");
}
