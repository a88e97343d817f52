// Any input as "OJFS2_Rom.bin": ojfs_init loads it or refuses it, then a
// recursive listing of "rom:" reads and seeks every file it finds.
#include <fstream>
#include <string>
#include <vector>

#include "ce/testing/devroot.h"
#include "storage/ojfs.h"
#include "storage/trace.h"
#include "tests/support/fuzz_main.h"

namespace {

void quiet(const char*) {}

void walk(const std::string& uri, int depth) {
  if (depth > 8)
    return;
  const int32_t dir = ojfs_opendir(uri.c_str());
  if (dir < 0)
    return;
  std::vector<std::string> names;
  for (int i = 0; i < 64; ++i) {
    const OjfsDirEntry* entry = ojfs_readdir(dir);
    if (entry == nullptr)
      break;
    names.emplace_back(entry->name);
  }
  ojfs_closedir(dir);
  for (const std::string& name : names) {
    if (!name.empty() && name.back() == '/') {
      walk(name.substr(0, name.size() - 1), depth + 1);
      continue;
    }
    const OjfsHandle h = ojfs_open(name.c_str(), OJFS_READ_EXISTING);
    if (h < 0)
      continue;
    char buffer[512];
    while (ojfs_read(h, buffer, sizeof buffer) > 0) {
    }
    ojfs_seek(h, -3, 2);
    ojfs_seek(h, 7, 1);
    ojfs_read(h, buffer, 5);
    OjfsStat status;
    ojfs_fstat(h, &status);
    ojfs_close(h);
  }
}

void body(const uint8_t* data, size_t size) {
  static CeDeviceRoot* root = new CeDeviceRoot;
  trace_setLineWriter(quiet);
  {
    std::ofstream out(root->host("Storage/Vostel/java/OJFS2_Rom.bin"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ojfs_init();
  walk("rom:", 0);
  ojfs_fini();
}

}  // namespace

VS_FUZZ_TARGET(body)
