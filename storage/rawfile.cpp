// The resource container of a suite (see rawfile.h).
#include "storage/rawfile.h"

#include <cstdio>
#include <cstring>

#include "storage/categories.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/sdindex.h"
#include "storage/suitefiles.h"

namespace {

constexpr int32_t kSlotBytes = 256;
constexpr int32_t kSizeAt = 0;
constexpr int32_t kNameAt = 4;
constexpr int32_t kOffsetAt = 204;
constexpr int32_t kExtraAt = 208;
static_assert(kExtraAt + kOjmsRawExtraBytes == kSlotBytes);
constexpr int32_t kBlockBytes = 200;
constexpr int32_t kCardJadEntry = 1;
constexpr int32_t kCardJadBytes = 4096;

// The container being written.
struct RawWriter {
  int32_t id;  // -1: none
  int32_t count;
  uint32_t sizes[kOjmsMaxRawEntries];
};
RawWriter gWriter = {-1, 0, {}};

// The slot of the last entry read.
struct RawEntry {
  int32_t id;  // -1: none
  int32_t index;
  int32_t count;
  uint32_t size;
  uint32_t offset;
  char name[kOjmsRawNameBytes];
  uint8_t extra[kOjmsRawExtraBytes];
};
RawEntry gEntry = {-1, -1, 0, 0, 0, {}, {}};

bool cardSuiteInUse(int32_t id) { return ojms_isSdCardSuite(id) && ojms_isSdCardInUse(); }

int32_t cardJadUri(int32_t id, char* uri) {
  OjmsSuiteInfo record;
  if (ojms_readSdSuiteRecord(id, &record) != 0) return -1;
  const int32_t n = std::snprintf(uri, kOjfsUriBytes, "gfs://sd-card/java/%s.jad", record.directory);
  return n > 0 && n < kOjfsUriBytes ? 0 : ojms_fail(OJMS_ERR_PARAMETER);
}

bool readExactly(OjfsHandle h, void* buffer, int32_t count) { return ojfs_read(h, buffer, count) == count; }

// Fills the one-entry cache with slot i of the suite's container.
int32_t loadEntry(int32_t id, int32_t i) {
  if (gEntry.id == id && gEntry.index == i) return 0;
  gEntry.id = -1;
  char uri[kOjfsUriBytes];
  std::memcpy(uri, ojms_getSuiteFilePath(id, OJMS_KIND_RAW), sizeof uri);
  const OjfsHandle h = uri[0] != '\0' ? ojfs_open(uri, OJFS_READ_EXISTING) : -1;
  if (h < 0) return ojms_fail(OJMS_ERR_NO_SUITE);
  OjfsStat status{};
  const int64_t fileSize = ojfs_fstat(h, &status) == 0 ? static_cast<int64_t>(status.size) : -1;
  uint8_t count = 0;
  uint8_t slot[kSlotBytes];
  bool ok = readExactly(h, &count, 1) && count <= kOjmsMaxRawEntries && i >= 0 && i < count &&
            ojfs_seek(h, 1 + kSlotBytes * i, 0) >= 0 && readExactly(h, slot, kSlotBytes);
  ojfs_close(h);
  if (ok) {
    ojms_getField(slot, kSlotBytes, kSizeAt, OJMS_FIELD_I32, &gEntry.size, 0);
    ojms_getField(slot, kSlotBytes, kOffsetAt, OJMS_FIELD_I32, &gEntry.offset, 0);
    ok = fileSize >= 0 && fileSize <= 0x7fffffff && gEntry.offset <= static_cast<uint64_t>(fileSize) &&
         gEntry.size <= static_cast<uint64_t>(fileSize) - gEntry.offset;
  }
  if (!ok) return ojms_fail(OJMS_ERR_FILE);
  ojms_copyTextField(gEntry.name, slot + kNameAt, kOjmsRawNameBytes);
  std::memcpy(gEntry.extra, slot + kExtraAt, kOjmsRawExtraBytes);
  gEntry.id = id;
  gEntry.index = i;
  gEntry.count = count;
  return 0;
}

}  // namespace

int32_t ojms_createRaw(int32_t id, int32_t n, const uint32_t* sizes) {
  gWriter.id = id;
  char temp[kOjfsUriBytes];
  std::memcpy(temp, ojms_getTempFilePath(id, OJMS_KIND_RAW), sizeof temp);
  if (n < 0 || n > kOjmsMaxRawEntries) {
    ojfs_delete(temp);
    gWriter.id = -1;
    return ojms_fail(OJMS_ERR_FILE);
  }
  uint64_t total = static_cast<uint64_t>(kSlotBytes) * static_cast<uint64_t>(n);
  for (int32_t i = 0; i < n; ++i) total += sizes[i];
  if (total > 0x7fffffffu - 1) {
    gWriter.id = -1;
    return ojms_fail(OJMS_ERR_PARAMETER);
  }
  const OjfsHandle h = ojfs_open(temp, OJFS_CREATE_WRITE);
  if (h < 0) {
    gWriter.id = -1;
    return ojms_fail(OJMS_ERR_FILE);
  }
  const uint8_t count = static_cast<uint8_t>(n);
  bool ok = ojfs_write(h, &count, 1) == 1;
  static const uint8_t kZeros[kBlockBytes] = {};
  for (uint64_t left = total; ok && left > 0;) {
    const int32_t block = left > kBlockBytes ? kBlockBytes : static_cast<int32_t>(left);
    ok = ojfs_write(h, kZeros, block) == block;
    left -= static_cast<uint64_t>(block);
  }
  ok = ok && ojfs_flush(h) == 0;
  ojfs_close(h);
  if (!ok) {
    ojfs_delete(temp);
    gWriter.id = -1;
    return ojms_fail(OJMS_ERR_FILE);
  }
  gWriter.count = n;
  for (int32_t i = 0; i < n; ++i) gWriter.sizes[i] = sizes[i];
  if (gEntry.id == id) gEntry.id = -1;
  return 0;
}

int32_t ojms_writeRawEntry(int32_t i, const char* name, const void* data, const void* extra, int32_t extraLength) {
  if (gWriter.id < 0 || i < 0 || i >= gWriter.count || name == nullptr) return ojms_fail(OJMS_ERR_PARAMETER);
  if (std::strlen(name) >= static_cast<size_t>(kOjmsRawNameBytes)) return ojms_fail(OJMS_ERR_PARAMETER);
  uint8_t slot[kSlotBytes] = {};
  uint32_t offset = 1 + kSlotBytes * static_cast<uint32_t>(gWriter.count);
  for (int32_t k = 0; k < i; ++k) offset += gWriter.sizes[k];
  ojms_putField(slot, kSlotBytes, kSizeAt, OJMS_FIELD_I32, &gWriter.sizes[i], 0);
  ojms_storeTextField(slot + kNameAt, name, kOjmsRawNameBytes);
  ojms_putField(slot, kSlotBytes, kOffsetAt, OJMS_FIELD_I32, &offset, 0);
  if (extra != nullptr && extraLength > 0) {
    std::memcpy(slot + kExtraAt, extra, static_cast<size_t>(extraLength > kOjmsRawExtraBytes ? kOjmsRawExtraBytes : extraLength));
  }
  const OjfsHandle h = ojfs_open(ojms_getTempFilePath(gWriter.id, OJMS_KIND_RAW), OJFS_WRITE_EXISTING);
  if (h < 0) return ojms_fail(OJMS_ERR_FILE);
  const int32_t size = static_cast<int32_t>(gWriter.sizes[i]);
  const bool ok = ojfs_seek(h, 1 + kSlotBytes * i, 0) >= 0 && ojfs_write(h, slot, kSlotBytes) == kSlotBytes &&
                  ojfs_seek(h, static_cast<int32_t>(offset), 0) >= 0 &&
                  (size == 0 || (data != nullptr && ojfs_write(h, data, size) == size)) && ojfs_flush(h) == 0;
  ojfs_close(h);
  return ok ? 0 : ojms_fail(OJMS_ERR_FILE);
}

int32_t ojms_commitRaw(int32_t flag) {
  if (gWriter.id < 0) return ojms_fail(OJMS_ERR_FILE);
  char temp[kOjfsUriBytes];
  std::memcpy(temp, ojms_getTempFilePath(gWriter.id, OJMS_KIND_RAW), sizeof temp);
  int32_t result = 0;
  if (flag == 1) {
    char raw[kOjfsUriBytes];
    std::memcpy(raw, ojms_getSuiteFilePath(gWriter.id, OJMS_KIND_RAW), sizeof raw);
    if (raw[0] == '\0' || ojfs_rename(temp, raw) != 0) result = ojms_fail(OJMS_ERR_FILE);
  } else if (ojms_fileSize(temp) >= 0) {
    ojfs_delete(temp);
  }
  if (gEntry.id == gWriter.id) gEntry.id = -1;
  gWriter.id = -1;
  return result;
}

int32_t ojms_endRaw() {
  if (gWriter.id < 0) return ojms_fail(OJMS_ERR_FILE);
  if (gEntry.id == gWriter.id) gEntry.id = -1;
  gWriter.id = -1;
  return 0;
}

int32_t ojms_getRawCount(int32_t id) {
  if (cardSuiteInUse(id)) return 1;
  if (gEntry.id == id) return gEntry.count;
  char uri[kOjfsUriBytes];
  std::memcpy(uri, ojms_getSuiteFilePath(id, OJMS_KIND_RAW), sizeof uri);
  uint8_t count = 0;
  if (uri[0] == '\0' || ojms_readFileHead(uri, &count, 1) != 1) return ojms_fail(OJMS_ERR_NO_SUITE);
  return count <= kOjmsMaxRawEntries ? count : ojms_fail(OJMS_ERR_FILE);
}

int32_t ojms_findRawEntry(int32_t id, const char* name) {
  if (cardSuiteInUse(id)) return ojms_fail(OJMS_ERR_FILE);
  char uri[kOjfsUriBytes];
  std::memcpy(uri, ojms_getSuiteFilePath(id, OJMS_KIND_RAW), sizeof uri);
  const OjfsHandle h = uri[0] != '\0' ? ojfs_open(uri, OJFS_READ_EXISTING) : -1;
  if (h < 0) return ojms_fail(OJMS_ERR_NO_SUITE);
  uint8_t count = 0;
  int32_t found = -1;
  if (readExactly(h, &count, 1) && count <= kOjmsMaxRawEntries) {
    for (int32_t i = 0; i < count && found < 0; ++i) {
      uint8_t field[kOjmsRawNameBytes];
      if (ojfs_seek(h, 1 + kSlotBytes * i + kNameAt, 0) < 0 || !readExactly(h, field, kOjmsRawNameBytes)) break;
      char text[kOjmsRawNameBytes];
      ojms_copyTextField(text, field, kOjmsRawNameBytes);
      if (std::strcmp(text, name) == 0) found = i;
    }
  }
  ojfs_close(h);
  return found >= 0 ? found : ojms_fail(OJMS_ERR_FILE);
}

int32_t ojms_getRawEntrySize(int32_t id, int32_t i) {
  if (cardSuiteInUse(id)) {
    char uri[kOjfsUriBytes];
    if (i != kCardJadEntry || cardJadUri(id, uri) != 0) return ojms_fail(OJMS_ERR_FILE);
    const int32_t size = ojms_fileSize(uri);
    return size >= 0 ? size : ojms_fail(OJMS_ERR_FILE);
  }
  if (loadEntry(id, i) != 0) return -1;
  return static_cast<int32_t>(gEntry.size);
}

int32_t ojms_readRawEntry(int32_t id, int32_t i, void* buffer, int32_t length) {
  if (length < 0 || buffer == nullptr) return ojms_fail(OJMS_ERR_PARAMETER);
  char uri[kOjfsUriBytes];
  int32_t offset = 0;
  int32_t count = 0;
  if (cardSuiteInUse(id)) {
    if (i != kCardJadEntry || cardJadUri(id, uri) != 0) return ojms_fail(OJMS_ERR_FILE);
    count = ojms_fileSize(uri);
    if (count < 0 || count > length || count > kCardJadBytes) return ojms_fail(OJMS_ERR_FILE);
  } else {
    if (loadEntry(id, i) != 0) return -1;
    std::memcpy(uri, ojms_getSuiteFilePath(id, OJMS_KIND_RAW), sizeof uri);
    offset = static_cast<int32_t>(gEntry.offset);
    count = gEntry.size <= static_cast<uint32_t>(length) ? static_cast<int32_t>(gEntry.size) : length;
  }
  const OjfsHandle h = ojfs_open(uri, OJFS_READ_EXISTING);
  if (h < 0) return ojms_fail(OJMS_ERR_NO_SUITE);
  const bool ok = ojfs_seek(h, offset, 0) >= 0 && readExactly(h, buffer, count);
  ojfs_close(h);
  return ok ? count : ojms_fail(OJMS_ERR_FILE);
}

int32_t ojms_getRawEntryName(int32_t id, int32_t i, char* buffer, int32_t length) {
  if (cardSuiteInUse(id) || length <= 0 || loadEntry(id, i) != 0) return -1;
  const size_t n = strnlen(gEntry.name, static_cast<size_t>(length - 1));
  std::memcpy(buffer, gEntry.name, n);
  buffer[n] = '\0';
  return 0;
}

int32_t ojms_getRawEntryExtra(int32_t id, int32_t i, void* buffer, int32_t length) {
  if (cardSuiteInUse(id) || length < 0 || loadEntry(id, i) != 0) return -1;
  std::memcpy(buffer, gEntry.extra, static_cast<size_t>(length > kOjmsRawExtraBytes ? kOjmsRawExtraBytes : length));
  return 0;
}
