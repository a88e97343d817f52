// Any input as the storage files of one device: seven u16 lengths cut the
// rest into suites.idx, category.dat, 0.jdx, 0.mss, 0.raw, the card index
// and a card .jad (beside its .jar). Start-up, every list and every read
// either fails cleanly or answers with terminated texts.
//
// Speed: one device root serves every input (each input rewrites its files),
// kept in memory (/dev/shm) where the host has it and removed at exit, and
// the CE layer skips its flushes: no input tests durability.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "ce/fs/testhooks.h"
#include "ce/testing/devroot.h"
#include "storage/categories.h"
#include "storage/ojfs.h"
#include "storage/rawfile.h"
#include "storage/sdindex.h"
#include "storage/suitefiles.h"
#include "storage/suitestore.h"
#include "tests/support/fuzz_main.h"

namespace {

void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

void put(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

bool terminated(const char* text, size_t size) { return strnlen(text, size) < size; }

void checkRecord(const OjmsSuiteInfo& r) {
  check(terminated(r.name, sizeof r.name) && terminated(r.vendor, sizeof r.vendor) &&
        terminated(r.version, sizeof r.version) && terminated(r.directory, sizeof r.directory));
  check(r.midletCount <= kOjmsMaxMidlets);
}

void readSuite(int32_t id) {
  OjmsSuiteInfo info;
  if (ojms_getSuiteInfo(id, &info) == 0) checkRecord(info);
  ojms_getMidletCount(id);
  for (int32_t m = -1; m <= 10; ++m) {
    OjmsMidletInfo midlet;
    if (ojms_getMidletInfo(id, m, &midlet) == 0) {
      check(terminated(midlet.name, sizeof midlet.name) && terminated(midlet.icon, sizeof midlet.icon) &&
            terminated(midlet.className, sizeof midlet.className));
    }
    const int32_t size = ojms_getMidletIconSize(id, m);
    std::vector<uint8_t> icon(64);
    ojms_getMidletIcon(id, m, icon.data(), static_cast<int32_t>(icon.size()));
    (void)size;
  }
  for (int32_t index = -1; index <= kOjmsJadAttributeCount; ++index) {
    OjmsAttribute attribute;
    if (ojms_getJadProperty(id, index, &attribute) == 0) check(terminated(attribute.value, sizeof attribute.value));
  }
  OjmsAttribute url;
  ojms_getJadProperty(id, kOjmsJadUrlProperty, &url);
  const int32_t count = ojms_getRawCount(id);
  for (int32_t i = -1; i <= (count > 0 ? count : 1); ++i) {
    std::vector<uint8_t> buffer(128);
    ojms_readRawEntry(id, i, buffer.data(), static_cast<int32_t>(buffer.size()));
    char name[32];
    ojms_getRawEntryName(id, i, name, sizeof name);
    uint8_t extra[48];
    ojms_getRawEntryExtra(id, i, extra, sizeof extra);
  }
  if (ojms_openMss(id) == 0) {
    int32_t domain = 0;
    int32_t settings = 0;
    check(ojms_getMssDomain(&domain, &settings) == 0 && settings <= kOjmsMaxMssSettings);
  }
}

CeDeviceRoot* gRoot = nullptr;

void removeRoot() { delete gRoot; }

CeDeviceRoot* deviceRoot() {
  if (gRoot == nullptr) {
    if (access("/dev/shm", W_OK) == 0) setenv("TMPDIR", "/dev/shm", 1);
    gRoot = new CeDeviceRoot;
    std::atexit(removeRoot);
    mkdir(gRoot->host("Storage/Vostel/java/java").c_str(), 0755);
    vsCeFs_setFlushSkipped(true);
  }
  return gRoot;
}

void body(const uint8_t* data, size_t size) {
  CeDeviceRoot* root = deviceRoot();
  static const char* const kFiles[] = {"suites.idx", "category.dat", "0.jdx", "0.mss", "0.raw", "java/suites.idx",
                                       "java/c.jad"};
  constexpr size_t kSlices = sizeof kFiles / sizeof kFiles[0];
  if (size < 2 * kSlices) return;
  size_t at = 2 * kSlices;
  for (size_t i = 0; i < kSlices; ++i) {
    size_t length = static_cast<size_t>(data[2 * i] | data[2 * i + 1] << 8);
    if (i + 1 == kSlices || length > size - at) length = size - at;
    put(root->host(std::string("Storage/Vostel/java/") + kFiles[i]), data + at, length);
    at += length;
  }
  put(root->host("Storage/Vostel/java/java/c.jar"), data, 0);
  ojms_setSdCardInUse((size & 1) != 0);
  if (ojms_init() == 0) {
    const int32_t total = ojms_getSuiteCount(-1);
    if (total >= 0) {
      std::vector<OjmsSuiteInfo> records(static_cast<size_t>(total) + 1);
      if (ojms_getSuiteList(-1, records.data(), 1) == 0) {
        for (int32_t i = 0; i < total; ++i) checkRecord(records[static_cast<size_t>(i)]);
      }
    }
    OjmsCategoryEntry categories[kOjmsCategorySlots];
    ojms_getCategoryList(categories);
    for (const int32_t id : {0, 1, 14, 15, 255, 256, 257, 300, 999}) readSuite(id);
    ojms_scanSdCard();
    readSuite(256);
  }
  ojms_fini();
}

}  // namespace

VS_FUZZ_TARGET(body)
