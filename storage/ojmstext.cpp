// Text functions of the suite storage (see ojmstext.h).
#include "storage/ojmstext.h"

#include <cstring>

#include "storage/ojmsfile.h"
#include "storage/trace.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool lineEnd(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// Copies [begin, end) with leading and trailing blanks cut into out; false
// when it does not fit outSize bytes with its NUL.
bool copyTrimmed(const char* begin, const char* end, char* out, size_t outSize) {
  while (begin < end && blank(*begin)) ++begin;
  while (end > begin && blank(end[-1])) --end;
  const size_t n = static_cast<size_t>(end - begin);
  if (n >= outSize) return false;
  std::memcpy(out, begin, n);
  out[n] = '\0';
  return true;
}

void reportNoSuchInfo() {
  if (trace_isLevelOn(kTraceLevelError, "ojms_ext", "_splitMIDletString")) {
    trace_setLocation("ojms_ext", "_splitMIDletString", __LINE__);
    trace_format("no such info");
    trace_emit();
  }
}

// Byte count of a UTF-8 sequence by its lead byte; 0 for a bad lead.
int32_t sequenceBytes(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xC0) return 0;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

bool continuation(uint8_t c) { return (c & 0xC0) == 0x80; }

}  // namespace

int32_t ojms_findKey(const char* text, const char* key, int32_t length) {
  if (text == nullptr || key == nullptr || length <= 0) return -1;
  const int32_t keyLength = static_cast<int32_t>(std::strlen(key));
  if (keyLength == 0) return -1;
  int32_t line = 0;
  while (line < length && text[line] != '\0') {
    if (text[line] != '#' && length - line > keyLength && std::memcmp(text + line, key, keyLength) == 0) {
      int32_t at = line + keyLength;
      while (at < length && blank(text[at])) ++at;
      if (at < length && text[at] == ':') return line;
    }
    while (line < length && text[line] != '\0' && text[line] != '\n' && text[line] != '\r') ++line;
    while (line < length && (text[line] == '\n' || text[line] == '\r')) ++line;
  }
  return -1;
}

int32_t ojms_getAttribute(const char* text, int32_t length, const char* key, char* out, int32_t outSize,
                          bool trim) {
  const int32_t found = ojms_findKey(text, key, length);
  if (found < 0 || out == nullptr || outSize <= 0) return -1;
  int32_t at = found + static_cast<int32_t>(std::strlen(key));
  while (at < length && (text[at] == ':' || blank(text[at]))) ++at;
  int32_t end = at;
  while (end < length && !lineEnd(text[end])) ++end;
  if (trim) {
    while (end > at && blank(text[end - 1])) --end;
  }
  if (end - at >= outSize) return -1;
  std::memcpy(out, text + at, static_cast<size_t>(end - at));
  out[end - at] = '\0';
  return 0;
}

int32_t _splitMIDletString(const char* value, OjmsMidletInfo* record) {
  if (value == nullptr || record == nullptr) {
    if (trace_isLevelOn(kTraceLevelError, "ojms_ext", "_splitMIDletString")) {
      trace_setLocation("ojms_ext", "_splitMIDletString", __LINE__);
      trace_format("illegal parameter");
      trace_emit();
    }
    return ojms_fail(OJMS_ERR_PARAMETER);
  }
  char* const fields[] = {record->name, record->icon, record->className};
  const size_t sizes[] = {sizeof record->name, sizeof record->icon, sizeof record->className};
  const char* at = value;
  for (int i = 0; i < 3; ++i) {
    if (at == nullptr) {
      reportNoSuchInfo();
      return -1;
    }
    const char* comma = std::strchr(at, ',');
    const char* end = comma != nullptr ? comma : at + std::strlen(at);
    if (!copyTrimmed(at, end, fields[i], sizes[i])) return ojms_fail(OJMS_ERR_PARAMETER);
    at = comma != nullptr ? comma + 1 : nullptr;
  }
  return 0;
}

bool ojms_isAttributeName(const char* text) {
  if (text == nullptr) return false;
  for (const char* p = text; *p != '\0'; ++p) {
    const char c = *p;
    const bool ok = c == ' ' || c == '-' || c == '.' || c == '_' || (c >= '0' && c <= '9') ||
                    (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!ok) return false;
  }
  return true;
}

bool ojms_isUtf8(const char* text) {
  if (text == nullptr || text[0] == '\0') return false;
  const size_t length = std::strlen(text);
  size_t at = 0;
  while (at < length) {
    const auto lead = static_cast<uint8_t>(text[at]);
    if (lead < 32) return false;
    const int32_t bytes = sequenceBytes(lead);
    if (bytes == 0 || at + static_cast<size_t>(bytes) > length) return false;
    at += static_cast<size_t>(bytes);
  }
  return true;
}

void ojms_removeBlanks(const char* text, char* out) {
  for (; *text != '\0'; ++text) {
    if (!blank(*text) && *text != ',') *out++ = *text;
  }
  *out = '\0';
}

int32_t ojms_compareNoCase(const char* a, const char* b, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    int ca = static_cast<uint8_t>(a[i]);
    int cb = static_cast<uint8_t>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca += 'a' - 'A';
    if (cb >= 'A' && cb <= 'Z') cb += 'a' - 'A';
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
  return 0;
}

int32_t ojms_parseUrl(const char* url, int32_t length, OjmsUrl* record) {
  if (url == nullptr || record == nullptr || length <= 0) return ojms_fail(OJMS_ERR_PARAMETER);
  std::memset(record, 0, sizeof *record);
  const char* end = url + strnlen(url, static_cast<size_t>(length));
  const char* colon = static_cast<const char*>(std::memchr(url, ':', static_cast<size_t>(end - url)));
  if (colon == nullptr || colon == url || end - colon < 3 || colon[1] != '/' || colon[2] != '/' ||
      !copyTrimmed(url, colon, record->scheme, sizeof record->scheme)) {
    return ojms_fail(OJMS_ERR_PARAMETER);
  }
  const char* host = colon + 3;
  const char* hostEnd = host;
  while (hostEnd < end && std::strchr(":/?#", *hostEnd) == nullptr) ++hostEnd;
  const size_t hostLength = static_cast<size_t>(hostEnd - host);
  if (hostLength >= sizeof record->host) return ojms_fail(OJMS_ERR_PARAMETER);
  std::memcpy(record->host, host, hostLength);
  const char* rest = hostEnd;
  if (rest < end && *rest == ':') {
    uint32_t port = 0;
    const char* digit = rest + 1;
    for (; digit < end && *digit >= '0' && *digit <= '9'; ++digit) {
      port = port * 10 + static_cast<uint32_t>(*digit - '0');
      if (port > 65535) return ojms_fail(OJMS_ERR_PARAMETER);
    }
    if (digit == rest + 1 || port == 0 || (digit < end && std::strchr("/?#", *digit) == nullptr)) {
      return ojms_fail(OJMS_ERR_PARAMETER);
    }
    record->port = port;
    rest = digit;
  } else if (ojms_compareNoCase(record->scheme, "http", 5) == 0) {
    record->port = 80;
  } else if (ojms_compareNoCase(record->scheme, "https", 6) == 0) {
    record->port = 443;
  }
  const size_t pathLength = static_cast<size_t>(end - rest);
  if (pathLength >= sizeof record->path) return ojms_fail(OJMS_ERR_PARAMETER);
  std::memcpy(record->path, rest, pathLength);
  return 0;
}

int32_t ojms_utf8ToUtf16(const uint8_t* in, int32_t length, uint16_t* out, int32_t outChars) {
  if (outChars <= 0) return 0;
  int32_t written = 0;
  int32_t at = 0;
  while (at < length && written < outChars - 1) {
    const uint8_t lead = in[at];
    uint16_t c = 0x80;
    int32_t step = 1;
    if (lead < 0x80) {
      c = lead;
    } else if (lead >= 0xC0 && lead < 0xE0) {
      if (at + 1 < length && continuation(in[at + 1])) {
        c = static_cast<uint16_t>((lead & 0x1F) << 6 | (in[at + 1] & 0x3F));
        step = 2;
      }
    } else if (lead >= 0xE0 && lead < 0xF0) {
      if (at + 1 < length && continuation(in[at + 1])) {
        if (at + 2 < length && continuation(in[at + 2])) {
          c = static_cast<uint16_t>((lead & 0x0F) << 12 | (in[at + 1] & 0x3F) << 6 | (in[at + 2] & 0x3F));
          step = 3;
        } else {
          step = 2;
        }
      }
    }
    out[written++] = c;
    at += step;
  }
  out[written] = 0;
  return written;
}

int32_t ojms_utf16ToUtf8(const uint16_t* in, int32_t chars, uint8_t* out, int32_t outBytes) {
  if (outBytes <= 0) return 0;
  int32_t written = 0;
  for (int32_t i = 0; i < chars; ++i) {
    const uint16_t c = in[i];
    const int32_t bytes = (c >= 1 && c <= 0x7F) ? 1 : c <= 0x7FF ? 2 : 3;
    if (written + bytes > outBytes - 1) break;
    if (bytes == 1) {
      out[written++] = static_cast<uint8_t>(c);
    } else if (bytes == 2) {
      out[written++] = static_cast<uint8_t>(0xC0 | c >> 6);
      out[written++] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    } else {
      out[written++] = static_cast<uint8_t>(0xE0 | c >> 12);
      out[written++] = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
      out[written++] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    }
  }
  out[written] = 0;
  return written;
}

int32_t ojms_utf16Utf8Length(const uint16_t* in, int32_t chars) {
  int32_t total = 0;
  for (int32_t i = 0; i < chars; ++i) total += (in[i] >= 1 && in[i] <= 0x7F) ? 1 : in[i] <= 0x7FF ? 2 : 3;
  return total;
}

int32_t ojms_utf8CharCount(const uint8_t* in, int32_t length) {
  int32_t count = 0;
  int32_t at = 0;
  while (at < length) {
    const int32_t bytes = sequenceBytes(in[at]);
    if (bytes == 0 || bytes == 4 || at + bytes > length) return -1;
    at += bytes;
    ++count;
  }
  return count;
}

int32_t ojms_utf8Utf16Bytes(const uint8_t* in, int32_t length) {
  const int32_t count = ojms_utf8CharCount(in, length);
  return count < 0 ? -1 : 2 * count;
}
