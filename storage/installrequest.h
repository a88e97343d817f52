// The installer's per-process state shared by its steps: the request block,
// the open sources with the read callbacks the descriptor service calls,
// the descriptor environment on its low work area, and the last status.
//
// Invariants: at most one JAD and one JAR source are open; a read callback
// delivers only bytes inside its source (file or memory) and answers -1
// when none is open; the work area lies below 4 GiB.
#pragma once

#include <cstdint>
#include <string>

#include "storage/installer.h"
#include "storage/journal.h"
#include "vm/services/descriptor/descriptor.h"

struct OjmsInstallRequest {
  uint32_t category;
  OjmsSource jad;
  char jadUrl[256];
  OjmsSource jar;
  uint32_t keepData;
  OjmsInstallInfo* info;
  OjmsJadCallback jadCallback;
  OjmsJarCallback jarCallback;
};

OjmsInstallRequest& ojms_installRequest();
void ojms_setLastStatus(int32_t status);

// The descriptor environment over an 8192-byte low work area.
class OjmsInstallEnv {
 public:
  OjmsInstallEnv() = default;
  ~OjmsInstallEnv();
  OjmsInstallEnv(const OjmsInstallEnv&) = delete;
  OjmsInstallEnv& operator=(const OjmsInstallEnv&) = delete;
  bool open();
  OamsHandle handle() const { return env_; }

 private:
  void* work_ = nullptr;
  OamsHandle env_ = kOamsInvalidHandle;
};

// Open the source for the service through its read callback: the
// descriptor (JAD) or archive (JAR) handle, or -1. The close calls are
// harmless when nothing is open.
OamsHandle ojms_openJadSource(OamsHandle env, const OjmsSource* source);
OamsHandle ojms_openJarSource(OamsHandle env, const OjmsSource* source);
// Opens the source for the read callbacks alone (no descriptor): false
// for a missing file or an unknown kind.
bool ojms_openSource(const OjmsSource* source, bool jar);
// Any JAR file by URI, its size in *size.
OamsHandle ojms_openJarFile(OamsHandle env, const char* uri, int32_t* size);
void ojms_closeJadSource();
void ojms_closeJarSource();
// Reads size bytes at offset of the open JAR (JAD) source: the count, or -1.
int32_t ojms_readJar(void* buffer, int32_t offset, int32_t size);
int32_t ojms_readJad(void* buffer, int32_t offset, int32_t size);

// A descriptor value as a string; false when absent.
bool ojms_descriptorValue(OamsHandle env, OamsHandle descriptor, const char* key, std::string* value);
bool ojms_descriptorValueAt(OamsHandle env, OamsHandle descriptor, int32_t index, std::string* value);
// Adds to a commit journal the renames of an install's complete
// temporaries onto the suite's files in directory: the JAR (kind 4) onto
// jarUri, the .jdx (3), the .raw (5) and, with mss, the .mss (6).
int32_t ojms_journalInstallFiles(OjmsJournal* journal, const char* directory, int32_t id, const char* jarUri,
                                 bool mss);
// Adds the deletions of a suite's record stores (kinds 7, 8, 9) in a
// directory and, with mss, of its .mss; files outside the gfs tree are
// left alone.
int32_t ojms_journalDeleteRecordFiles(OjmsJournal* journal, const char* directory, int32_t id, bool mss);
// Copies text into a fixed field with its NUL; false when it does not fit.
bool ojms_copyField(char* field, size_t size, const std::string& text);
