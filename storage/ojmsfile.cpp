// Record field codec, last error and whole-file helpers of the suite
// storage (see ojmsfile.h).
#include "storage/ojmsfile.h"

#include <cstdio>
#include <cstring>

#include "storage/ojfs.h"

namespace {

int32_t gLastError = OJMS_ERR_NONE;

// Byte count of the fixed-size types; 0 for the run.
constexpr int32_t kFieldBytes[] = {1, 1, 2, 4, 0};
static_assert(sizeof(kFieldBytes) / sizeof(kFieldBytes[0]) == OJMS_FIELD_BYTES + 1);

bool fieldFits(int32_t length, int32_t offset, int32_t bytes) {
  return offset >= 0 && bytes >= 0 && offset <= length && bytes <= length - offset;
}

}  // namespace

int32_t ojms_getField(const uint8_t* buffer, int32_t length, int32_t offset, int32_t type, void* value,
                      int32_t count) {
  if (type < 0 || type > OJMS_FIELD_BYTES) return -2;
  const int32_t bytes = type == OJMS_FIELD_BYTES ? count : kFieldBytes[type];
  if (!fieldFits(length, offset, bytes)) return -1;
  const uint8_t* p = buffer + offset;
  switch (type) {
    case OJMS_FIELD_BOOL: *static_cast<uint32_t*>(value) = p[0] == 1 ? 1 : 0; break;
    case OJMS_FIELD_U8: *static_cast<uint32_t*>(value) = p[0]; break;
    case OJMS_FIELD_U16: *static_cast<uint32_t*>(value) = static_cast<uint32_t>(p[0] | p[1] << 8); break;
    case OJMS_FIELD_I32:
      *static_cast<uint32_t*>(value) = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                       static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
      break;
    default: if (bytes > 0) std::memcpy(value, p, static_cast<size_t>(bytes)); break;
  }
  return offset + bytes;
}

int32_t ojms_putField(uint8_t* buffer, int32_t length, int32_t offset, int32_t type, const void* value,
                      int32_t count) {
  if (type < 0 || type > OJMS_FIELD_BYTES) return -2;
  const int32_t bytes = type == OJMS_FIELD_BYTES ? count : kFieldBytes[type];
  if (!fieldFits(length, offset, bytes)) return -1;
  uint8_t* p = buffer + offset;
  if (type == OJMS_FIELD_BYTES) {
    if (bytes > 0) std::memcpy(p, value, static_cast<size_t>(bytes));
    return offset + bytes;
  }
  const uint32_t v = *static_cast<const uint32_t*>(value);
  switch (type) {
    case OJMS_FIELD_BOOL: p[0] = v == 1 ? 1 : 0; break;
    case OJMS_FIELD_U8: p[0] = static_cast<uint8_t>(v); break;
    case OJMS_FIELD_U16: p[0] = static_cast<uint8_t>(v); p[1] = static_cast<uint8_t>(v >> 8); break;
    default:
      for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
      break;
  }
  return offset + bytes;
}

int32_t ojms_getLastError() { return gLastError; }
void ojms_setLastError(int32_t code) { gLastError = code; }
int32_t ojms_fail(int32_t code) {
  gLastError = code;
  return -1;
}

void ojms_copyTextField(char* out, const uint8_t* field, int32_t fieldBytes) {
  if (fieldBytes <= 0) return;
  std::memcpy(out, field, static_cast<size_t>(fieldBytes));
  out[fieldBytes - 1] = '\0';
}

void ojms_storeTextField(uint8_t* field, const char* text, int32_t fieldBytes) {
  if (fieldBytes <= 0) return;
  std::memset(field, 0, static_cast<size_t>(fieldBytes));
  const size_t n = strnlen(text, static_cast<size_t>(fieldBytes - 1));
  std::memcpy(field, text, n);
}

int32_t ojms_readFileHead(const char* uri, uint8_t* buffer, int32_t capacity) {
  const OjfsHandle h = ojfs_open(uri, OJFS_READ_EXISTING);
  if (h < 0) return ojms_fail(OJMS_ERR_FILE);
  int32_t total = 0;
  while (total < capacity) {
    const int32_t n = ojfs_read(h, buffer + total, capacity - total);
    if (n < 0) {
      ojfs_close(h);
      return ojms_fail(OJMS_ERR_FILE);
    }
    if (n == 0) break;
    total += n;
  }
  ojfs_close(h);
  return total;
}

int32_t ojms_fileSize(const char* uri) {
  OjfsStat status{};
  if (ojfs_stat(uri, &status) != 0) return -1;
  return status.size > 0x7fffffffu ? -1 : static_cast<int32_t>(status.size);
}

int32_t ojms_writeFlushedFile(const char* uri, const uint8_t* data, int32_t length) {
  const OjfsHandle h = ojfs_open(uri, OJFS_CREATE_WRITE);
  if (h < 0) return ojms_fail(OJMS_ERR_FILE);
  const bool written = ojfs_write(h, data, length) == length && ojfs_flush(h) == 0;
  const bool closed = ojfs_close(h) == 0;
  return written && closed ? 0 : ojms_fail(OJMS_ERR_FILE);
}

int32_t ojms_writeWholeFile(const char* uri, const uint8_t* data, int32_t length) {
  char temp[kOjfsUriBytes];
  if (std::snprintf(temp, sizeof temp, "%s.tmp", uri) >= static_cast<int>(sizeof temp)) {
    return ojms_fail(OJMS_ERR_PARAMETER);
  }
  if (ojms_writeFlushedFile(temp, data, length) != 0 || ojfs_rename(temp, uri) != 0) {
    ojfs_delete(temp);
    return ojms_fail(OJMS_ERR_FILE);
  }
  return 0;
}
