// Protection domains and policy queries (see policy.h).
#include "storage/policy.h"

#include <cstdio>
#include <cstring>

#include "storage/installlock.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/romfs.h"
#include "storage/suitefiles.h"

namespace {

constexpr char kPolicyDirectory[] = "rom://midlet/permission/";
constexpr uint32_t kDomainNameBytes = 256;
constexpr uint32_t kPermissionBytes = 5;
constexpr uint32_t kGroupBytes = 24;
constexpr uint32_t kModeRuleBytes = 10;
constexpr uint32_t kExclusiveRuleBytes = 31;
constexpr uint32_t kAdiHeaderBytes = 4;

struct Policy {
  int32_t boundSuite;   // -1: none
  int32_t boundDomain;  // the domain index the bound suite's .mss held
  const uint8_t* permissions;  // null: not loaded
  const uint8_t* groups;
  const uint8_t* modeRules;
  const uint8_t* exclusiveRules;
  OjmsPolicyFile texts;
  OjmsPolicyFile dn;
  uint32_t p, g, m, x, t, dnCount;
};
Policy gPolicy = {-1, -1, nullptr, nullptr, nullptr, nullptr, {nullptr, 0}, {nullptr, 0}, 0, 0, 0, 0, 0, 0};

uint32_t u32At(const uint8_t* p) {
  uint32_t value = 0;
  ojms_getField(p, 4, 0, OJMS_FIELD_I32, &value, 0);
  return value;
}

OjmsPolicyFile romFile(const char* name) {
  char uri[kOjfsUriBytes];
  OjmsPolicyFile file{nullptr, 0};
  if (std::snprintf(uri, sizeof uri, "%s%s", kPolicyDirectory, name) >= static_cast<int>(sizeof uri)) return file;
  file.data = ojfs_rom_getFileDataPointer(uri, &file.size);
  if (file.data == nullptr) file.size = 0;
  return file;
}

bool loaded() { return gPolicy.permissions != nullptr; }

const uint8_t* groupAt(uint32_t g) { return gPolicy.groups + kGroupBytes * g; }

// Text i: its bytes and length, or false.
bool textAt(uint32_t i, const char** text, int32_t* length) {
  if (gPolicy.texts.data == nullptr || i >= gPolicy.t) return false;
  const uint32_t offset = u32At(gPolicy.texts.data + 4 + 4 * i);
  const uint32_t size = gPolicy.texts.size;
  if (size < 8 || offset > size - 8) return false;
  const uint32_t bytes = u32At(gPolicy.texts.data + 4 + offset);
  if (bytes == 0 || bytes > size - 8 - offset || gPolicy.texts.data[8 + offset + bytes - 1] != 0) return false;
  *text = reinterpret_cast<const char*>(gPolicy.texts.data + 8 + offset);
  *length = static_cast<int32_t>(bytes);
  return true;
}

void fillGroup(uint32_t g, OjmsPolicyInfo* record, int32_t mask) {
  const uint8_t* group = groupAt(g);
  if (mask & OJMS_POLICY_DEFAULT) record->defaultState = u32At(group + 4);
  if (mask & OJMS_POLICY_MODES) record->allowedModes = u32At(group + 8);
  if (mask & OJMS_POLICY_TEXTS) {
    record->titleText = u32At(group + 12);
    record->messageText = u32At(group + 16);
    record->labelText = u32At(group + 20);
  }
}

void defaults(uint32_t* settings) {
  for (uint32_t i = 0; i < gPolicy.p; ++i) {
    const uint32_t g = gPolicy.permissions[kPermissionBytes * i + 4];
    settings[i] = g < gPolicy.g ? u32At(groupAt(g) + 4) : kOjmsUnknownGroupState;
  }
}

}  // namespace

int32_t ojms_loadDomainFrom(int32_t domain, OjmsPolicyFile domains, OjmsPolicyFile adi, OjmsPolicyFile texts,
                            OjmsPolicyFile dn) {
  ojms_unloadDomain();
  if (domains.data == nullptr || adi.data == nullptr || texts.data == nullptr || dn.data == nullptr) return -1;
  if (domains.size < 1 || domain < 0 || static_cast<uint32_t>(domain) >= domains.data[0] ||
      domains.size < domains.data[0] * kDomainNameBytes + 1) {
    return -1;
  }
  if (adi.size < kAdiHeaderBytes || static_cast<int8_t>(adi.data[3]) < 0) return -1;
  const uint32_t p = adi.data[0], g = adi.data[1], m = adi.data[2], x = adi.data[3];
  const uint32_t groupsAt = kAdiHeaderBytes + kPermissionBytes * p;
  const uint32_t modesAt = groupsAt + kGroupBytes * g;
  const uint32_t exclusiveAt = modesAt + kModeRuleBytes * m;
  if (exclusiveAt + kExclusiveRuleBytes * x > adi.size) return -1;
  if (texts.size < 4) return -1;
  const uint32_t t = u32At(texts.data);
  if (t > (texts.size - 4) / 4) return -1;
  if (dn.size < kOjmsDnEntriesAt) return -1;
  const uint32_t dnCount = dn.data[kOjmsDnEntriesAt - 1];
  if (dnCount * kOjmsDnEntryBytes > dn.size - kOjmsDnEntriesAt) return -1;
  Policy policy = {-1, -1, adi.data + kAdiHeaderBytes, adi.data + groupsAt, adi.data + modesAt, adi.data + exclusiveAt,
                   texts, dn, p, g, m, x, t, dnCount};
  gPolicy = policy;
  for (uint32_t i = 0; i < t; ++i) {
    const char* text = nullptr;
    int32_t length = 0;
    if (!textAt(i, &text, &length)) {
      ojms_unloadDomain();
      return -1;
    }
  }
  return 0;
}

int32_t ojms_loadDomain(int32_t value, int32_t mode) {
  ojms_unloadDomain();
  int32_t domain = value;
  if (mode == 1) {
    int32_t count = 0;
    if (ojms_openMss(value) != 0 || ojms_getMssDomain(&domain, &count) != 0) return -1;
  } else if (mode != 2) {
    return ojms_fail(OJMS_ERR_PARAMETER);
  }
  const OjmsPolicyFile domains = romFile("domains.idx");
  if (domains.data == nullptr || domain < 0 || domains.size < 1 || static_cast<uint32_t>(domain) >= domains.data[0] ||
      domains.size < domains.data[0] * kDomainNameBytes + 1) {
    return -1;
  }
  char name[kDomainNameBytes + 8];
  ojms_copyTextField(name, domains.data + 1 + kDomainNameBytes * static_cast<uint32_t>(domain), kDomainNameBytes);
  std::strcat(name, ".adi");
  if (ojms_loadDomainFrom(domain, domains, romFile(name), romFile("resource/en_US.dat"), romFile("_dn.idx")) != 0) {
    return -1;
  }
  gPolicy.boundSuite = mode == 1 ? value : -1;
  gPolicy.boundDomain = mode == 1 ? domain : -1;
  return 0;
}

int32_t ojms_unloadDomain() {
  gPolicy.boundSuite = -1;
  gPolicy.boundDomain = -1;
  gPolicy.permissions = nullptr;
  return 0;
}

int32_t ojms_getDomainPermissionCount() { return loaded() ? static_cast<int32_t>(gPolicy.p) : -1; }
int32_t ojms_getGroupCount() { return loaded() ? static_cast<int32_t>(gPolicy.g) : -1; }

int32_t ojms_getPermissionText(int32_t index, const char** text, int32_t* length) {
  if (!loaded() || index < 0 || !textAt(static_cast<uint32_t>(index), text, length)) return -1;
  return 0;
}

int32_t ojms_getPermissionInfo(int32_t permission, OjmsPolicyInfo* record, int32_t mask) {
  if (!loaded() || record == nullptr || permission < 0 || static_cast<uint32_t>(permission) >= gPolicy.p) return -1;
  const uint8_t* entry = gPolicy.permissions + kPermissionBytes * static_cast<uint32_t>(permission);
  const uint32_t group = entry[4];
  if ((mask & (OJMS_POLICY_DEFAULT | OJMS_POLICY_MODES | OJMS_POLICY_TEXTS)) != 0 && group >= gPolicy.g) return -1;
  if (mask & OJMS_POLICY_NAME) record->nameText = u32At(entry);
  if (mask & OJMS_POLICY_GROUP) record->group = group;
  if (group < gPolicy.g) fillGroup(group, record, mask);
  return 0;
}

int32_t ojms_getGroupInfo(int32_t group, OjmsPolicyInfo* record, int32_t mask) {
  if (!loaded() || record == nullptr || group < 0 || static_cast<uint32_t>(group) >= gPolicy.g) return -1;
  if (mask & OJMS_POLICY_COUNT) {
    uint32_t count = 0;
    for (uint32_t i = 0; i < gPolicy.p; ++i) count += gPolicy.permissions[kPermissionBytes * i + 4] == group ? 1 : 0;
    record->permissionCount = count;
  }
  fillGroup(static_cast<uint32_t>(group), record, mask);
  return 0;
}

int32_t ojms_getGroupPermissions(int32_t group, int32_t* permissions) {
  if (!loaded() || permissions == nullptr || group < 0 || static_cast<uint32_t>(group) >= gPolicy.g) return -1;
  int32_t n = 0;
  for (uint32_t i = 0; i < gPolicy.p; ++i) {
    if (gPolicy.permissions[kPermissionBytes * i + 4] == group) permissions[n++] = static_cast<int32_t>(i);
  }
  return 0;
}

int32_t ojms_getGroupSettings(uint32_t* settings) {
  if (!loaded()) return -1;
  defaults(settings);
  if (gPolicy.boundSuite < 0) return 0;
  int32_t domain = 0;
  int32_t count = 0;
  if (ojms_openMss(gPolicy.boundSuite) != 0 || ojms_getMssDomain(&domain, &count) != 0) return -1;
  for (int32_t i = 0; i < count && static_cast<uint32_t>(i) < gPolicy.p; ++i) ojms_getMssSetting(i, &settings[i]);
  return 0;
}

int32_t ojms_setGroupSettings(const uint32_t* settings) {
  if (!loaded()) return -1;
  if (gPolicy.boundSuite < 0) return 0;
  // The .mss is read, changed and written under the install lock, so that
  // it never interleaves with an install or deletion of the other program;
  // the suite must still be the one bound: a deleted suite's .mss is not
  // made again, nor a replaced suite's (another domain) overwritten.
  if (!ojms_lockInstall(true)) return ojms_fail(OJMS_ERR_FILE);
  char uri[kOjfsUriBytes];
  std::memcpy(uri, ojms_getSuiteFilePath(gPolicy.boundSuite, OJMS_KIND_MSS), sizeof uri);
  int32_t domain = 0;
  int32_t count = 0;
  int32_t result = uri[0] != '\0' && ojms_fileSize(uri) >= 0 && ojms_openMss(gPolicy.boundSuite) == 0 &&
                           ojms_getMssDomain(&domain, &count) == 0
                       ? 0
                       : ojms_fail(OJMS_ERR_NO_SUITE);
  if (result == 0 && domain != gPolicy.boundDomain) result = ojms_fail(OJMS_ERR_NO_SUITE);
  if (result == 0 && (ojms_setMssDomain(domain, static_cast<int32_t>(gPolicy.p)) != 0 ||
                      ojms_setMssSettings(settings) != 0 || ojms_closeMss(1) != 0)) {
    result = -1;
  }
  ojms_unlockInstall();
  return result;
}

int32_t ojms_findModeRule(OjmsModeRule* rule) {
  if (!loaded() || rule == nullptr || rule->group >= gPolicy.g) return -1;
  for (uint32_t i = 0; i < gPolicy.m; ++i) {
    const uint8_t* r = gPolicy.modeRules + kModeRuleBytes * i;
    if (r[0] == rule->group && (u32At(r + 1) & 255) == (rule->mode & 255)) {
      rule->targetGroup = r[5];
      rule->targetState = u32At(r + 6);
      return 0;
    }
  }
  return -1;
}

int32_t ojms_findExclusiveRule(OjmsExclusiveRule* rule) {
  if (!loaded() || rule == nullptr) return -1;
  for (uint32_t i = 0; i < gPolicy.x; ++i) {
    const uint8_t* r = gPolicy.exclusiveRules + kExclusiveRuleBytes * i;
    if (r[0] == rule->group1 && (u32At(r + 1) & 255) == (rule->mode1 & 255) && r[5] == rule->group2 &&
        (u32At(r + 6) & 255) == (rule->mode2 & 255)) {
      rule->kind = r[10];
      rule->forcedMode = u32At(r + 11);
      rule->titleText = u32At(r + 15);
      rule->messageText = u32At(r + 19);
      rule->choice1Text = u32At(r + 23);
      rule->choice2Text = u32At(r + 27);
      return 0;
    }
  }
  return -1;
}

int32_t ojms_isTrustedDomain(int32_t domain) { return domain != 0 ? 1 : 0; }

OjmsPolicyFile ojms_getDnFile() { return romFile("_dn.idx"); }
