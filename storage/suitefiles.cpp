// Per-suite file names, descriptor summaries and security settings (see
// suitefiles.h).
#include "storage/suitefiles.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "storage/categories.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/sdindex.h"
#include "storage/suiteindex.h"

namespace {

constexpr int32_t kJdxHeaderBytes = 336;
constexpr int32_t kJdxEntryBytes = 384;
constexpr int32_t kJdxBytes = kJdxHeaderBytes + kOjmsMaxJdxEntries * kJdxEntryBytes;
constexpr int32_t kMssHeaderBytes = 12;
constexpr int32_t kMssBytes = kMssHeaderBytes + 4 * kOjmsMaxMssSettings;
static_assert(kMssBytes == 132);
constexpr int32_t kCardJadBytes = 4096;

// .jdx header fields.
constexpr int32_t kJarUriAt = 0;
constexpr int32_t kJadUrlAt = 64;
constexpr int32_t kTextAt = 320;
constexpr int32_t kJadSizeAt = 324;
constexpr int32_t kJarSizeAt = 328;
constexpr int32_t kVersionAt = 332;
constexpr int32_t kEntryCountAt = 335;
// .jdx entry fields.
constexpr int32_t kClassAt = 0;
constexpr int32_t kNameAt = 256;
constexpr int32_t kIconAt = 320;

char gPath[kOjfsUriBytes];

struct JdxCache {
  uint8_t bytes[kJdxBytes];
  int32_t id;      // -1: none
  int32_t cardId;  // a card suite being read, 0 none
};
JdxCache gJdx = {{}, -1, 0};

struct MssCache {
  uint8_t bytes[kMssBytes];
  int32_t id;  // -1: none
};
MssCache gMss = {{}, -1};

// Formats gPath; empty when the name does not fit.
const char* setPath(const char* format, ...) __attribute__((format(printf, 1, 2)));
const char* setPath(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int n = std::vsnprintf(gPath, sizeof gPath, format, arguments);
  va_end(arguments);
  if (n < 0 || n >= static_cast<int>(sizeof gPath)) gPath[0] = '\0';
  return gPath;
}

const char* kRecordStoreSuffix[] = {".rs1", ".rs2", ".rs3"};

bool cardSuiteInUse(int32_t id) { return ojms_isSdCardSuite(id) && ojms_isSdCardInUse(); }

// Reads a card suite's .jad into buffer; its length, or -1.
int32_t readCardJad(int32_t id, char* buffer, OjmsSuiteInfo* record) {
  if (ojms_readSdSuiteRecord(id, record) != 0) return -1;
  char uri[kOjfsUriBytes];
  if (std::snprintf(uri, sizeof uri, "gfs://sd-card/java/%s.jad", record->directory) >= static_cast<int>(sizeof uri)) {
    return ojms_fail(OJMS_ERR_PARAMETER);
  }
  const int32_t size = ojms_fileSize(uri);
  if (size < 0 || size > kCardJadBytes) return ojms_fail(OJMS_ERR_FILE);
  return ojms_readFileHead(uri, reinterpret_cast<uint8_t*>(buffer), size);
}

// The JAR URI stored in a suite's .jdx (the cached one when it is cached).
const char* jarUriOf(int32_t id) {
  uint8_t head[64];
  if (gJdx.id == id) {
    std::memcpy(head, gJdx.bytes + kJarUriAt, sizeof head);
  } else {
    const char* jdx = ojms_getSuiteFilePath(id, OJMS_KIND_JDX);
    if (jdx[0] == '\0' || ojms_readFileHead(jdx, head, sizeof head) != static_cast<int32_t>(sizeof head)) {
      gPath[0] = '\0';
      return gPath;
    }
  }
  ojms_copyTextField(gPath, head, sizeof head);
  return gPath;
}

uint32_t jdxByte(int32_t at) { return gJdx.bytes[at]; }
int32_t jdxCount() { return static_cast<int32_t>(jdxByte(kEntryCountAt)); }

int32_t mssCount() { return gMss.bytes[11]; }

}  // namespace

const char* ojms_getSuiteFilePathOf(const char* directory, int32_t id, int32_t kind) {
  static const char* const kSuffix[] = {nullptr, nullptr, nullptr, ".jdx", ".jar", ".raw", ".mss", ".rs1", ".rs2", ".rs3"};
  if (kind == OJMS_KIND_INDEX) return setPath("%s", kOjmsIndexUri);
  if (kind == OJMS_KIND_CATEGORIES) return setPath("%s", kOjmsCategoryUri);
  if (kind < OJMS_KIND_JDX || kind > OJMS_KIND_RS3) {
    gPath[0] = '\0';
    return gPath;
  }
  return setPath("%s%d%s", directory, id, kSuffix[kind]);
}

const char* ojms_getSuiteFilePath(int32_t id, int32_t kind) {
  gPath[0] = '\0';
  if (ojms_isSdCardSuite(id)) {
    OjmsSuiteInfo record;
    switch (kind) {
      case OJMS_KIND_JAR:
        if (ojms_readSdSuiteRecord(id, &record) != 0) return gPath;
        return setPath("%s%s%s", record.protectedContent ? "drm://sd-card/" : "gfs://sd-card/java/",
                       record.directory, ".jar");
      case OJMS_KIND_MSS: return setPath("%s", "gfs://java/temp/ext_temp.mss");
      case OJMS_KIND_RS1:
      case OJMS_KIND_RS2:
      case OJMS_KIND_RS3:
        return setPath("%s%d%s", "gfs://sd-card/java/rms/", id, kRecordStoreSuffix[kind - OJMS_KIND_RS1]);
      case OJMS_KIND_DIRECTORY: return setPath("%s", "gfs://sd-card/java/rms/");
      default: return gPath;
    }
  }
  if (kind == OJMS_KIND_INDEX || kind == OJMS_KIND_CATEGORIES) return ojms_getSuiteFilePathOf("", id, kind);
  if (kind == OJMS_KIND_JAR) return jarUriOf(id);
  if (kind < OJMS_KIND_JDX || kind > OJMS_KIND_DIRECTORY) return gPath;
  char directory[64] = "gfs://java/";
  bool rom = false;
  if (id != kOjmsSpecialSuite) {
    OjmsSuiteInfo record;
    if (ojms_readSuiteRecord(id, &record) != 0) return gPath;
    std::memcpy(directory, record.directory, sizeof directory);
    rom = record.romSuite == 1;
  }
  if (kind == OJMS_KIND_DIRECTORY) return setPath("%s", directory);
  if (rom && (kind == OJMS_KIND_JDX || kind == OJMS_KIND_RAW)) {
    return ojms_getSuiteFilePathOf("rom://midlet/", id, kind);
  }
  return ojms_getSuiteFilePathOf(directory, id, kind);
}

const char* ojms_getTempFilePath(int32_t id, int32_t n) { return setPath("gfs://java/%d_%d.tmp", id, n); }

int32_t ojms_openJdx(int32_t id) {
  if (cardSuiteInUse(id)) {
    gJdx.cardId = id;
    return 0;
  }
  gJdx.cardId = 0;
  if (gJdx.id == id && id >= 0) return 0;
  gJdx.id = -1;
  std::memset(gJdx.bytes, 0, sizeof gJdx.bytes);
  const char* uri = ojms_getSuiteFilePath(id, OJMS_KIND_JDX);
  if (uri[0] == '\0') return ojms_fail(OJMS_ERR_NO_SUITE);
  char jdx[kOjfsUriBytes];
  std::memcpy(jdx, uri, sizeof jdx);
  if (ojms_fileSize(jdx) < 0) {
    gJdx.id = id;
    return 0;
  }
  uint8_t file[kJdxBytes];
  const int32_t length = ojms_readFileHead(jdx, file, kJdxBytes);
  if (length < kJdxHeaderBytes) return ojms_fail(OJMS_ERR_FILE);
  const int32_t count = file[kEntryCountAt];
  if (count > kOjmsMaxJdxEntries || length < kJdxHeaderBytes + count * kJdxEntryBytes) return ojms_fail(OJMS_ERR_FILE);
  std::memcpy(gJdx.bytes, file, static_cast<size_t>(kJdxHeaderBytes + count * kJdxEntryBytes));
  gJdx.id = id;
  return 0;
}

int32_t ojms_closeJdx(int32_t flag) {
  if (gJdx.cardId != 0) {
    gJdx.cardId = 0;
    return 0;
  }
  if (gJdx.id < 0) return ojms_fail(OJMS_ERR_FILE);
  if (flag != 1) {
    gJdx.id = -1;
    return 0;
  }
  char jdx[kOjfsUriBytes];
  std::memcpy(jdx, ojms_getSuiteFilePath(gJdx.id, OJMS_KIND_JDX), sizeof jdx);
  if (jdx[0] == '\0') return ojms_fail(OJMS_ERR_NO_SUITE);
  return ojms_writeWholeFile(jdx, gJdx.bytes, kJdxHeaderBytes + jdxCount() * kJdxEntryBytes);
}

int32_t ojms_writeJdxTo(const char* uri) {
  if (gJdx.id < 0 || gJdx.cardId != 0) return ojms_fail(OJMS_ERR_FILE);
  return ojms_writeFlushedFile(uri, gJdx.bytes, kJdxHeaderBytes + jdxCount() * kJdxEntryBytes);
}

int32_t ojms_getJdxHeader(OjmsJdxHeader* header) {
  if (gJdx.cardId != 0) {
    char jad[kCardJadBytes];
    OjmsSuiteInfo record;
    const int32_t size = readCardJad(gJdx.cardId, jad, &record);
    if (size < 0) return -1;
    ojms_copyTextField(header->jarUri, reinterpret_cast<const uint8_t*>(ojms_getSuiteFilePath(gJdx.cardId, OJMS_KIND_JAR)),
                       sizeof header->jarUri);
    header->jadSize = static_cast<uint32_t>(size);
    header->jarSize = record.jarSize;
    return 0;
  }
  if (gJdx.id < 0) return ojms_fail(OJMS_ERR_FILE);
  ojms_copyTextField(header->jarUri, gJdx.bytes + kJarUriAt, sizeof header->jarUri);
  ojms_copyTextField(header->jadUrl, gJdx.bytes + kJadUrlAt, sizeof header->jadUrl);
  std::memcpy(header->text, gJdx.bytes + kTextAt, sizeof header->text);
  ojms_getField(gJdx.bytes, kJdxHeaderBytes, kJadSizeAt, OJMS_FIELD_I32, &header->jadSize, 0);
  ojms_getField(gJdx.bytes, kJdxHeaderBytes, kJarSizeAt, OJMS_FIELD_I32, &header->jarSize, 0);
  for (int32_t i = 0; i < 3; ++i) header->version[i] = jdxByte(kVersionAt + i);
  header->entryCount = static_cast<uint32_t>(jdxCount());
  return 0;
}

int32_t ojms_setJdxHeader(const OjmsJdxHeader* header) {
  if (gJdx.id < 0 || gJdx.cardId != 0) return ojms_fail(OJMS_ERR_FILE);
  if (header->entryCount > kOjmsMaxJdxEntries) return ojms_fail(OJMS_ERR_PARAMETER);
  ojms_storeTextField(gJdx.bytes + kJarUriAt, header->jarUri, sizeof header->jarUri);
  ojms_storeTextField(gJdx.bytes + kJadUrlAt, header->jadUrl, sizeof header->jadUrl);
  std::memcpy(gJdx.bytes + kTextAt, header->text, sizeof header->text);
  ojms_putField(gJdx.bytes, kJdxHeaderBytes, kJadSizeAt, OJMS_FIELD_I32, &header->jadSize, 0);
  ojms_putField(gJdx.bytes, kJdxHeaderBytes, kJarSizeAt, OJMS_FIELD_I32, &header->jarSize, 0);
  for (int32_t i = 0; i < 3; ++i) gJdx.bytes[kVersionAt + i] = static_cast<uint8_t>(header->version[i]);
  gJdx.bytes[kEntryCountAt] = static_cast<uint8_t>(header->entryCount);
  return 0;
}

int32_t ojms_getJdxMidlet(int32_t i, OjmsMidletInfo* record) {
  if (gJdx.cardId != 0) {
    char jad[kCardJadBytes];
    OjmsSuiteInfo suite;
    const int32_t size = readCardJad(gJdx.cardId, jad, &suite);
    if (size < 0 || i < 0 || i + 1 > static_cast<int32_t>(suite.midletCount)) return -1;
    char key[24];
    std::snprintf(key, sizeof key, "MIDlet-%d", i + 1);
    char value[512];
    if (ojms_getAttribute(jad, size, key, value, sizeof value, true) != 0) return -1;
    return _splitMIDletString(value, record);
  }
  if (gJdx.id < 0 || i < 0 || i >= jdxCount()) return -1;
  const uint8_t* entry = gJdx.bytes + kJdxHeaderBytes + i * kJdxEntryBytes;
  ojms_copyTextField(record->className, entry + kClassAt, sizeof record->className);
  ojms_copyTextField(record->name, entry + kNameAt, sizeof record->name);
  ojms_copyTextField(record->icon, entry + kIconAt, sizeof record->icon);
  return 0;
}

int32_t ojms_setJdxMidlet(int32_t i, const OjmsMidletInfo* record) {
  if (gJdx.id < 0 || gJdx.cardId != 0 || i < 0 || i >= kOjmsMaxJdxEntries) return ojms_fail(OJMS_ERR_PARAMETER);
  uint8_t* entry = gJdx.bytes + kJdxHeaderBytes + i * kJdxEntryBytes;
  ojms_storeTextField(entry + kClassAt, record->className, sizeof record->className);
  ojms_storeTextField(entry + kNameAt, record->name, sizeof record->name);
  ojms_storeTextField(entry + kIconAt, record->icon, sizeof record->icon);
  return 0;
}

int32_t ojms_openMss(int32_t id) {
  gMss.id = -1;
  std::memset(gMss.bytes, 0, sizeof gMss.bytes);
  char uri[kOjfsUriBytes];
  std::memcpy(uri, ojms_getSuiteFilePath(id, OJMS_KIND_MSS), sizeof uri);
  if (uri[0] == '\0') return ojms_fail(OJMS_ERR_NO_SUITE);
  if (ojms_fileSize(uri) >= 0) {
    uint8_t file[kMssBytes];
    const int32_t length = ojms_readFileHead(uri, file, kMssBytes);
    if (length < kMssHeaderBytes || file[11] > kOjmsMaxMssSettings) return ojms_fail(OJMS_ERR_FILE);
    std::memcpy(gMss.bytes, file, static_cast<size_t>(length));
  }
  gMss.id = id;
  return 0;
}

int32_t ojms_createMss(int32_t id) {
  std::memset(gMss.bytes, 0, sizeof gMss.bytes);
  gMss.id = id;
  return 0;
}

int32_t ojms_writeMssTo(const char* uri) {
  if (gMss.id < 0) return ojms_fail(OJMS_ERR_FILE);
  return ojms_writeFlushedFile(uri, gMss.bytes, kMssHeaderBytes + 4 * mssCount());
}

int32_t ojms_closeMss(int32_t flag) {
  if (gMss.id < 0) return ojms_fail(OJMS_ERR_FILE);
  if (flag != 1) return ojms_openMss(gMss.id);
  char uri[kOjfsUriBytes];
  std::memcpy(uri, ojms_getSuiteFilePath(gMss.id, OJMS_KIND_MSS), sizeof uri);
  if (uri[0] == '\0') return ojms_fail(OJMS_ERR_NO_SUITE);
  return ojms_writeWholeFile(uri, gMss.bytes, kMssHeaderBytes + 4 * mssCount());
}

int32_t ojms_setMssDomain(int32_t domain, int32_t count) {
  if (gMss.id < 0) return ojms_fail(OJMS_ERR_FILE);
  if (domain < 0 || domain > 255 || count < 0 || count > kOjmsMaxMssSettings) return ojms_fail(OJMS_ERR_PARAMETER);
  gMss.bytes[10] = static_cast<uint8_t>(domain);
  gMss.bytes[11] = static_cast<uint8_t>(count);
  return 0;
}

int32_t ojms_getMssDomain(int32_t* domain, int32_t* count) {
  if (gMss.id < 0) return ojms_fail(OJMS_ERR_FILE);
  *domain = gMss.bytes[10];
  *count = mssCount();
  return 0;
}

int32_t ojms_setMssSetting(int32_t i, uint32_t value) {
  if (gMss.id < 0 || i < 0 || i >= mssCount()) return ojms_fail(OJMS_ERR_PARAMETER);
  ojms_putField(gMss.bytes, kMssBytes, kMssHeaderBytes + 4 * i, OJMS_FIELD_I32, &value, 0);
  return 0;
}

int32_t ojms_getMssSetting(int32_t i, uint32_t* value) {
  if (gMss.id < 0 || i < 0 || i >= mssCount()) return ojms_fail(OJMS_ERR_PARAMETER);
  ojms_getField(gMss.bytes, kMssBytes, kMssHeaderBytes + 4 * i, OJMS_FIELD_I32, value, 0);
  return 0;
}

int32_t ojms_setMssSettings(const uint32_t* values) {
  if (gMss.id < 0) return ojms_fail(OJMS_ERR_FILE);
  for (int32_t i = 0; i < mssCount(); ++i) ojms_setMssSetting(i, values[i]);
  return 0;
}

int32_t ojms_getMssSettings(uint32_t* values) {
  if (gMss.id < 0) return ojms_fail(OJMS_ERR_FILE);
  for (int32_t i = 0; i < mssCount(); ++i) ojms_getMssSetting(i, &values[i]);
  return 0;
}
