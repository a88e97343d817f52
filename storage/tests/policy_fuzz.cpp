// Any input as the four policy files: a first byte chooses the domain, four
// u16 lengths cut the rest into domains.idx, the .adi file, the texts and
// the signer names. A load either fails or every query at every index
// answers inside the files.
#include <cstring>
#include <vector>

#include "storage/policy.h"
#include "tests/support/fuzz_main.h"

namespace {

void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

void body(const uint8_t* data, size_t size) {
  if (size < 9) return;
  const int32_t domain = data[0] % 4;
  OjmsPolicyFile files[4];
  // Each slice lives in its own block, so a read past its end is caught.
  std::vector<std::vector<uint8_t>> blocks(4);
  size_t at = 9;
  for (int i = 0; i < 4; ++i) {
    size_t length = static_cast<size_t>(data[1 + 2 * i] | data[2 + 2 * i] << 8);
    if (i == 3 || length > size - at) length = size - at;
    blocks[static_cast<size_t>(i)].assign(data + at, data + at + length);
    at += length;
    files[i] = {blocks[static_cast<size_t>(i)].data(), static_cast<uint32_t>(length)};
  }
  if (ojms_loadDomainFrom(domain, files[0], files[1], files[2], files[3]) != 0) {
    check(ojms_getGroupCount() == -1);
    return;
  }
  const int32_t p = ojms_getDomainPermissionCount();
  const int32_t g = ojms_getGroupCount();
  check(p >= 0 && g >= 0);
  OjmsPolicyInfo info;
  for (int32_t i = -1; i <= p; ++i) ojms_getPermissionInfo(i, &info, 63);
  std::vector<int32_t> members(static_cast<size_t>(p) + 1);
  for (int32_t i = -1; i <= g; ++i) {
    ojms_getGroupInfo(i, &info, 63);
    ojms_getGroupPermissions(i, members.data());
  }
  for (int32_t i = -1; i <= 300; ++i) {
    const char* text = nullptr;
    int32_t length = 0;
    if (ojms_getPermissionText(i, &text, &length) == 0) check(length > 0 && text[length - 1] == '\0');
  }
  std::vector<uint32_t> settings(static_cast<size_t>(p) + 1);
  check(ojms_getGroupSettings(settings.data()) == 0);
  for (uint32_t group = 0; group <= static_cast<uint32_t>(g); ++group) {
    OjmsModeRule mode{group, 1, 0, 0};
    ojms_findModeRule(&mode);
    OjmsExclusiveRule rule{group, 1, 1, 1, 0, 0, 0, 0, 0, 0};
    ojms_findExclusiveRule(&rule);
  }
  ojms_unloadDomain();
}

}  // namespace

VS_FUZZ_TARGET(body)
