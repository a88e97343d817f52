// Protection domains: the security policy of the ROM tree
// ("rom://midlet/permission/"), read in place, and the queries on the
// loaded domain.
//
//   domains.idx        u8 D, then D names of 256 bytes
//   <domain>.adi       u8 P, u8 G, u8 M, s8 X; P x {u32 nameText, u8 group};
//                      G x {u32 id, defaultState, allowedModes, title,
//                      message, label}; M x {u8 group, u32 mode, u8 target,
//                      u32 targetState}; X x {u8 g1, u32 m1, u8 g2, u32 m2,
//                      u8 kind, u32 forced, u32 title, message, choice1,
//                      choice2}
//   resource/en_US.dat u32 T, T u32 offsets; text i at 4 + offset: u32
//                      length (NUL included), the UTF-8 bytes
//   _dn.idx            "DN_HEADER\0", u8 count, entries of 385 bytes
//
// Invariants: a policy is loaded only when every table lies inside its file,
// X is not negative and every text ends with its NUL inside the file; one
// policy is loaded at a time, bound to a suite (its .mss holds the
// settings) or to none. The settings of a bound suite are written under the
// install lock, and only while its .mss still exists with the bound domain.
#pragma once

#include <cstdint>

// What ojms_getPermissionInfo / ojms_getGroupInfo fill, by mask bit.
enum OjmsPolicyMask : int32_t {
  OJMS_POLICY_NAME = 1,
  OJMS_POLICY_GROUP = 2,
  OJMS_POLICY_DEFAULT = 4,
  OJMS_POLICY_MODES = 8,
  OJMS_POLICY_TEXTS = 16,
  OJMS_POLICY_COUNT = 32,
};

struct OjmsPolicyInfo {
  uint32_t nameText;
  uint32_t group;
  uint32_t permissionCount;
  uint32_t defaultState;
  uint32_t allowedModes;
  uint32_t titleText;
  uint32_t messageText;
  uint32_t labelText;
};
static_assert(sizeof(OjmsPolicyInfo) == 32);

struct OjmsModeRule {
  uint32_t group;
  uint32_t mode;
  uint32_t targetGroup;
  uint32_t targetState;
};

struct OjmsExclusiveRule {
  uint32_t group1;
  uint32_t mode1;
  uint32_t group2;
  uint32_t mode2;
  uint32_t kind;
  uint32_t forcedMode;
  uint32_t titleText;
  uint32_t messageText;
  uint32_t choice1Text;
  uint32_t choice2Text;
};
static_assert(sizeof(OjmsExclusiveRule) == 40);

// A loaded policy's data bytes, as the ROM file system holds them.
struct OjmsPolicyFile {
  const uint8_t* data;
  uint32_t size;
};

constexpr uint32_t kOjmsDnEntryBytes = 385;
constexpr uint32_t kOjmsDnEntriesAt = 11;
constexpr uint32_t kOjmsDnValueBytes = 64;
constexpr uint32_t kOjmsDnValues = 6;
constexpr uint32_t kOjmsUnknownGroupState = 1024;

// Mode 1: value is a suite id (domain from its .mss, suite bound); mode 2:
// value is a domain index.
int32_t ojms_loadDomain(int32_t value, int32_t mode);
// Loads a domain from the four files given, adi being the domain's own
// (the loader without the ROM look-up).
int32_t ojms_loadDomainFrom(int32_t domain, OjmsPolicyFile domains, OjmsPolicyFile adi,
                            OjmsPolicyFile texts, OjmsPolicyFile dn);
int32_t ojms_unloadDomain();
int32_t ojms_getDomainPermissionCount();
int32_t ojms_getGroupCount();
int32_t ojms_getPermissionText(int32_t index, const char** text, int32_t* length);
int32_t ojms_getPermissionInfo(int32_t permission, OjmsPolicyInfo* record, int32_t mask);
int32_t ojms_getGroupInfo(int32_t group, OjmsPolicyInfo* record, int32_t mask);
int32_t ojms_getGroupPermissions(int32_t group, int32_t* permissions);
int32_t ojms_getGroupSettings(uint32_t* settings);
int32_t ojms_setGroupSettings(const uint32_t* settings);
int32_t ojms_findModeRule(OjmsModeRule* rule);
int32_t ojms_findExclusiveRule(OjmsExclusiveRule* rule);
int32_t ojms_isTrustedDomain(int32_t domain);
// The signer-name file of the ROM tree ("_dn.idx"), loaded policy or not.
OjmsPolicyFile ojms_getDnFile();
