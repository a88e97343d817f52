#include "vm/core/loader/tests/zip_builder.h"

#include "vm/core/loader/tests/deflate_writer.h"
#include "vm/core/model/crc32.h"

namespace {

void u16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

void u32(std::vector<uint8_t>& b, uint32_t v) {
  u16(b, v & 0xFFFF);
  u16(b, v >> 16);
}

}  // namespace

std::vector<uint8_t> buildZip(const std::vector<ZipEntry>& entries) {
  std::vector<uint8_t> out, directory;
  for (const ZipEntry& e : entries) {
    std::vector<uint8_t> body = e.data;
    if (e.deflate) {
      DeflateWriter w;
      w.header(true, 1);
      for (uint8_t b : e.data) w.fixedSymbol(b);
      w.fixedSymbol(256);
      body = w.bytes();
    }
    const uint32_t crc = vsCrc32(e.data.data(), static_cast<uint32_t>(e.data.size())) ^ e.crcXor;
    const auto offset = static_cast<uint32_t>(out.size());
    u32(out, 0x04034b50);
    u16(out, 20);
    u16(out, 0);
    u16(out, e.deflate ? 8 : 0);
    u32(out, 0);
    u32(out, crc);
    u32(out, static_cast<uint32_t>(body.size()));
    u32(out, static_cast<uint32_t>(e.data.size()));
    u16(out, static_cast<uint32_t>(e.name.size()));
    u16(out, 0);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), body.begin(), body.end());

    u32(directory, 0x02014b50);
    u16(directory, 20);
    u16(directory, 20);
    u16(directory, 0);
    u16(directory, e.deflate ? 8 : 0);
    u32(directory, 0);
    u32(directory, crc);
    u32(directory, static_cast<uint32_t>(body.size()));
    u32(directory, static_cast<uint32_t>(e.data.size()));
    u16(directory, static_cast<uint32_t>(e.name.size()));
    u16(directory, 0);
    u16(directory, 0);
    u16(directory, 0);
    u16(directory, 0);
    u32(directory, 0);
    u32(directory, offset);
    directory.insert(directory.end(), e.name.begin(), e.name.end());
  }
  const auto directoryOffset = static_cast<uint32_t>(out.size());
  out.insert(out.end(), directory.begin(), directory.end());
  u32(out, 0x06054b50);
  u16(out, 0);
  u16(out, 0);
  u16(out, static_cast<uint32_t>(entries.size()));
  u16(out, static_cast<uint32_t>(entries.size()));
  u32(out, static_cast<uint32_t>(directory.size()));
  u32(out, directoryOffset);
  u16(out, 0);
  return out;
}
