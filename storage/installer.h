// The suite installer: the action entry, the install sources and the
// request block, the JAD step (command 32), the JAR step (command 33),
// direct install, suite deletion and the JAD writer.
//
//   OjmsSource (76 bytes)          OjmsInstallInfo (2828 bytes)
//   +0  kind (0 file, 2 memory)    +0 .. +2304 nine 256-byte texts
//   +4  name (64, under java/)     +2304 installed, +2308 trust,
//   +68 size (kind 2)              +2312 version comparison
//   +72 data (kind 2, VM address)  +2316, +2572 new and installed version
//
// One install runs at a time on the caller's thread; the request block, the
// open source handles and the last status are per process. The descriptor
// service reads both sources through the installer's read callbacks (a
// memory source too), with its work area below 4 GiB. Invariants: every
// step ends with exactly one final callback; a failed install leaves no
// record and no file of a new suite, and leaves an updated suite as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

// Install results (the OTA status codes).
enum OtaStatus : int32_t {
  OTA_SUCCESS = 900,
  OTA_INSUFFICIENT_MEMORY = 901,
  OTA_CANCELLED = 902,
  OTA_JAR_SIZE_MISMATCH = 904,
  OTA_ATTRIBUTE_MISMATCH = 905,
  OTA_INVALID_DESCRIPTOR = 906,
  OTA_INVALID_JAR = 907,
  OTA_INCOMPATIBLE = 908,
  OTA_AUTHENTICATION = 909,
  OTA_AUTHORIZATION = 910,
  OTA_OTHER = 256,
};

constexpr uint32_t kOjmsSourceFile = 0;
constexpr uint32_t kOjmsSourceMemory = 2;

struct OjmsSource {
  uint32_t kind;
  char name[64];
  uint32_t size;
  VmWord data;
};
static_assert(offsetof(OjmsSource, name) == 4 && offsetof(OjmsSource, size) == 68 &&
              offsetof(OjmsSource, data) == 72 && sizeof(OjmsSource) == 76);

constexpr int32_t kOjmsInfoText = 256;

struct OjmsInstallInfo {
  char name[kOjmsInfoText];
  char version[kOjmsInfoText];
  char vendor[kOjmsInfoText];
  char jarUrl[kOjmsInfoText];
  char jarSize[kOjmsInfoText];
  char midlet1[kOjmsInfoText];
  char configuration[kOjmsInfoText];
  char profile[kOjmsInfoText];
  char installNotify[kOjmsInfoText];
  uint32_t installed;
  uint32_t trusted;
  int32_t versionComparison;
  char newVersion[kOjmsInfoText];
  char installedVersion[kOjmsInfoText];
};
static_assert(offsetof(OjmsInstallInfo, jarUrl) == 768 && offsetof(OjmsInstallInfo, installNotify) == 2048 &&
              offsetof(OjmsInstallInfo, installed) == 2304 && offsetof(OjmsInstallInfo, trusted) == 2308 &&
              offsetof(OjmsInstallInfo, versionComparison) == 2312 &&
              offsetof(OjmsInstallInfo, newVersion) == 2316 &&
              offsetof(OjmsInstallInfo, installedVersion) == 2572 && sizeof(OjmsInstallInfo) == 2828);

struct KjavaAction {
  uint32_t type;
  uint32_t command;
  uint8_t data[200];
};
static_assert(sizeof(KjavaAction) == 208);

constexpr uint32_t kKjavaCommandJad = 32;
constexpr uint32_t kKjavaCommandJar = 33;
constexpr int32_t kKjavaTargetInstaller = 3;

// JAD step: (phase, step, arg); JAR step: (total, step, arg). A zero answer
// to a progress call cancels the step.
using OjmsJadCallback = int32_t (*)(int32_t phase, int32_t step, void* arg);
using OjmsJarCallback = int32_t (*)(int32_t total, int32_t step, int32_t arg);

void kjava_sys_sendAction(int32_t target, const KjavaAction* action);
void kjava_sys_sendSimpleAction(int32_t target, int32_t command);

int32_t ojms_requestJadInstall(const OjmsSource* jad, const char* jadUrl, OjmsInstallInfo* info,
                               OjmsJadCallback callback);
int32_t ojms_requestJarInstall(int32_t category, const OjmsSource* jad, const char* jadUrl,
                               const OjmsSource* jar, int32_t keepData, OjmsJarCallback callback);
// The status the last step ended with.
int32_t ojms_getLastStatus();
// A descriptor-service result as an install status.
int32_t ojms_toOtaStatus(int32_t result);
// The source's size, -1 when missing or of an unknown kind.
int32_t ojms_getSourceSize(const OjmsSource* source);

// Installs without checks; the new suite id, or -1 (nothing kept).
int32_t ojms_installDirect(const OjmsSource* jad, const OjmsSource* jar);
// Deletes a suite with its files: 0, or -1 (262) for an id outside 0-255.
int32_t ojms_deleteSuiteFiles(int32_t id);
// Writes "<name>.jad" beside "<name>.jar" from the JAR's manifest: 0 or -1.
int32_t ojms_writeJadForJar(const char* jarUri);
