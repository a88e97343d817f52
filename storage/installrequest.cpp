// The installer's shared state, sources and actions (see installrequest.h).
#include "storage/installrequest.h"

#include <cstdio>
#include <cstring>

#include "ce/substrate/low_memory.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/suitefiles.h"
#include "storage/trace.h"
#include "vm/services/descriptor/descriptor_env.h"

// The steps run by the actions (jadstep.cpp, jarstep.cpp).
void ojms_runJadStep();
void ojms_runJarStep();

namespace {

constexpr int32_t kWorkBytes = 8192;
constexpr char kJavaDirectory[] = "gfs://java/";

OjmsInstallRequest gRequest;
int32_t gLastStatus = 0;

// An open source: a file handle, or a memory block.
struct OpenSource {
  OjfsHandle file = -1;
  const uint8_t* memory = nullptr;
  int32_t size = 0;
};
OpenSource gJad;
OpenSource gJar;

int32_t readFrom(const OpenSource& source, void* buffer, int32_t offset, int32_t size) {
  if (offset < 0 || size < 0 || offset > source.size) return -1;
  const int32_t n = size < source.size - offset ? size : source.size - offset;
  if (source.file >= 0) {
    if (ojfs_seek(source.file, offset, 0) < 0) return -1;
    return ojfs_read(source.file, buffer, n);
  }
  if (source.memory == nullptr) return -1;
  std::memcpy(buffer, source.memory + offset, static_cast<size_t>(n));
  return n;
}

void closeSource(OpenSource* source) {
  if (source->file >= 0) ojfs_close(source->file);
  *source = OpenSource{};
}

// Opens a file for reading with its size.
bool openFile(const char* uri, OpenSource* open) {
  open->file = ojfs_open(uri, OJFS_READ_EXISTING);
  OjfsStat status{};
  if (open->file < 0 || ojfs_fstat(open->file, &status) != 0 || status.size > 0x7fffffffu) {
    closeSource(open);
    return false;
  }
  open->size = static_cast<int32_t>(status.size);
  return true;
}

// Opens a source for reading; false for a missing file or an unknown kind.
bool openSource(const OjmsSource* source, OpenSource* open) {
  closeSource(open);
  if (source == nullptr) return false;
  if (source->kind == kOjmsSourceMemory) {
    if (source->data == 0 || source->size > 0x7fffffffu) return false;
    open->memory = vsWord_toPointer<const uint8_t>(source->data);
    open->size = static_cast<int32_t>(source->size);
    return true;
  }
  if (source->kind != kOjmsSourceFile || ojms_getSourceSize(source) < 0) return false;
  char uri[kOjfsUriBytes];
  std::snprintf(uri, sizeof uri, "%s%s", kJavaDirectory, source->name);
  return openFile(uri, open);
}

}  // namespace

OjmsInstallRequest& ojms_installRequest() { return gRequest; }

void ojms_setLastStatus(int32_t status) { gLastStatus = status; }

int32_t ojms_getLastStatus() { return gLastStatus; }

int32_t ojms_toOtaStatus(int32_t result) {
  if (result == 0) return OTA_SUCCESS;
  if (result == -24 || result == -23) return OTA_INCOMPATIBLE;
  if (result == -22 || (result >= -13 && result <= -6) || result == -4) return OTA_INVALID_DESCRIPTOR;
  if (result == -18 || result == -16 || result == -15 || result == -14) return OTA_ATTRIBUTE_MISMATCH;
  return OTA_OTHER;
}

int32_t ojms_getSourceSize(const OjmsSource* source) {
  if (source == nullptr) return -1;
  if (source->kind == kOjmsSourceMemory)
    return source->size > 0x7fffffffu ? -1 : static_cast<int32_t>(source->size);
  if (source->kind != kOjmsSourceFile || strnlen(source->name, sizeof source->name) == sizeof source->name)
    return -1;
  char uri[kOjfsUriBytes];
  std::snprintf(uri, sizeof uri, "%s%s", kJavaDirectory, source->name);
  OjfsStat status{};
  if (ojfs_stat(uri, &status) != 0) return -1;
  return status.size > 0x7fffffffu ? -1 : static_cast<int32_t>(status.size);
}

OjmsInstallEnv::~OjmsInstallEnv() {
  if (env_ != kOamsInvalidHandle) OamsEnvFinalize(env_);
  if (work_ != nullptr) vsLow_free(work_);
}

bool OjmsInstallEnv::open() {
  work_ = vsLow_alloc(kWorkBytes);
  if (work_ == nullptr) return false;
  int32_t error = 0;
  env_ = OamsEnvInitialize(kWorkBytes, work_, &error);
  return env_ != kOamsInvalidHandle;
}

int32_t ojms_readJad(void* buffer, int32_t offset, int32_t size) {
  return readFrom(gJad, buffer, offset, size);
}

int32_t ojms_readJar(void* buffer, int32_t offset, int32_t size) {
  return readFrom(gJar, buffer, offset, size);
}

OamsHandle ojms_openJadSource(OamsHandle env, const OjmsSource* source) {
  if (!openSource(source, &gJad)) return kOamsInvalidHandle;
  int32_t error = 0;
  return OamsJadOpen(env, gJad.size, nullptr, ojms_readJad, &error);
}

OamsHandle ojms_openJarSource(OamsHandle env, const OjmsSource* source) {
  if (!openSource(source, &gJar)) return kOamsInvalidHandle;
  int32_t error = 0;
  return OamsJarOpen(env, gJar.size, nullptr, ojms_readJar, &error);
}

OamsHandle ojms_openJarFile(OamsHandle env, const char* uri, int32_t* size) {
  closeSource(&gJar);
  if (!openFile(uri, &gJar)) return kOamsInvalidHandle;
  *size = gJar.size;
  int32_t error = 0;
  return OamsJarOpen(env, gJar.size, nullptr, ojms_readJar, &error);
}

bool ojms_openSource(const OjmsSource* source, bool jar) { return openSource(source, jar ? &gJar : &gJad); }

void ojms_closeJadSource() { closeSource(&gJad); }

void ojms_closeJarSource() { closeSource(&gJar); }

bool ojms_descriptorValue(OamsHandle env, OamsHandle descriptor, const char* key, std::string* value) {
  int32_t length = 0;
  int32_t error = 0;
  const char* text = OamsDescriptorGetValueByKey(env, descriptor, key, static_cast<int32_t>(std::strlen(key)),
                                                 &length, &error);
  if (text == nullptr || length < 0) return false;
  value->assign(text, static_cast<size_t>(length));
  return true;
}

bool ojms_descriptorValueAt(OamsHandle env, OamsHandle descriptor, int32_t index, std::string* value) {
  int32_t length = 0;
  int32_t error = 0;
  const char* text = OamsDescriptorGetValueByIndex(env, descriptor, index, &length, &error);
  if (text == nullptr || length < 0) return false;
  value->assign(text, static_cast<size_t>(length));
  return true;
}

int32_t ojms_journalInstallFiles(OjmsJournal* journal, const char* directory, int32_t id, const char* jarUri,
                                 bool mss) {
  char from[kOjfsUriBytes];
  char to[kOjfsUriBytes];
  std::snprintf(from, sizeof from, "%s", ojms_getTempFilePath(id, OJMS_KIND_JAR));
  if (ojms_journalRename(journal, from, jarUri) != 0) return -1;
  for (int32_t kind : {OJMS_KIND_JDX, OJMS_KIND_RAW, OJMS_KIND_MSS}) {
    if (kind == OJMS_KIND_MSS && !mss) continue;
    std::snprintf(from, sizeof from, "%s", ojms_getTempFilePath(id, kind));
    std::snprintf(to, sizeof to, "%s", ojms_getSuiteFilePathOf(directory, id, kind));
    if (ojms_journalRename(journal, from, to) != 0) return -1;
  }
  return 0;
}

int32_t ojms_journalDeleteRecordFiles(OjmsJournal* journal, const char* directory, int32_t id, bool mss) {
  for (int32_t kind : {OJMS_KIND_RS1, OJMS_KIND_RS2, OJMS_KIND_RS3, OJMS_KIND_MSS}) {
    if (kind == OJMS_KIND_MSS && !mss) continue;
    char path[kOjfsUriBytes];
    std::snprintf(path, sizeof path, "%s", ojms_getSuiteFilePathOf(directory, id, kind));
    if (std::strncmp(path, "gfs://", 6) == 0 && ojms_journalDelete(journal, path) != 0) return -1;
  }
  return 0;
}

bool ojms_copyField(char* field, size_t size, const std::string& text) {
  if (text.size() >= size || std::memchr(text.data(), '\0', text.size()) != nullptr) return false;
  std::memcpy(field, text.data(), text.size());
  field[text.size()] = '\0';
  return true;
}

void kjava_sys_sendAction(int32_t target, const KjavaAction* action) {
  TRACE_REPORT(kTraceLevelError, "[kjava_sys_sendAction] (target, actionCommand_p) = (%d, 0x%08X)", target,
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(action)));
  if (action == nullptr) return;
  if (action->command == kKjavaCommandJad) ojms_runJadStep();
  if (action->command == kKjavaCommandJar) ojms_runJarStep();
}

void kjava_sys_sendSimpleAction(int32_t target, int32_t command) {
  TRACE_REPORT(kTraceLevelError, "[kjava_sys_sendSimpleAction] (target, type) = (%d, %d)", target, command);
  KjavaAction action{};
  action.command = static_cast<uint32_t>(command);
  kjava_sys_sendAction(target, &action);
}

namespace {

void storeSources(const OjmsSource* jad, const char* jadUrl, const OjmsSource* jar) {
  if (jad != nullptr) gRequest.jad = *jad;
  if (jadUrl != nullptr) {
    std::strncpy(gRequest.jadUrl, jadUrl, sizeof gRequest.jadUrl - 1);
    gRequest.jadUrl[sizeof gRequest.jadUrl - 1] = '\0';
  }
  if (jar != nullptr) gRequest.jar = *jar;
}

// Sends {1, command} to the installer target.
void sendToInstaller(uint32_t command) {
  KjavaAction action{};
  action.type = 1;
  action.command = command;
  kjava_sys_sendAction(kKjavaTargetInstaller, &action);
}

}  // namespace

int32_t ojms_requestJadInstall(const OjmsSource* jad, const char* jadUrl, OjmsInstallInfo* info,
                               OjmsJadCallback callback) {
  storeSources(jad, jadUrl, nullptr);
  gRequest.category = 255;
  gRequest.keepData = 0;
  gRequest.info = info;
  gRequest.jadCallback = callback;
  gRequest.jarCallback = nullptr;
  sendToInstaller(kKjavaCommandJad);
  return 0;
}

int32_t ojms_requestJarInstall(int32_t category, const OjmsSource* jad, const char* jadUrl,
                               const OjmsSource* jar, int32_t keepData, OjmsJarCallback callback) {
  storeSources(jad, jadUrl, jar);
  gRequest.category = static_cast<uint32_t>(category) & 0xFF;
  gRequest.keepData = keepData != 0 ? 1 : 0;
  gRequest.info = nullptr;
  gRequest.jadCallback = nullptr;
  gRequest.jarCallback = callback;
  sendToInstaller(kKjavaCommandJar);
  return 0;
}
