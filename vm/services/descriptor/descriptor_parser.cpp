// The parser of JAD and manifest text (see descriptor_parser.h).
//
// Normalising runs once over the text with a write position that never
// passes the read position, so the text is rewritten in place:
//   - CR, LF and CR LF are line breaks; a run of breaks ends the current
//     line once (empty lines vanish) and the next character starts a new
//     line behind one NUL separator, whatever its first byte;
//   - in a manifest, a blank right after a single break continues the
//     previous line (break and blank vanish), and a break inside a
//     multi-byte sequence vanishes with one blank behind it;
//   - in a JAD, a CR followed by an ASCII character other than CR or LF is
//     malformed (a bare CR is no line break there);
//   - UTF-8 sequences of two or three bytes are copied as they stand; any
//     other byte of 0x80 and above, a control character other than tab, and
//     0x7F are malformed.
#include "vm/services/descriptor/descriptor_parser.h"

#include <cstring>

#include "vm/services/descriptor/text_functions.h"

namespace {

constexpr char kMidletPrefix[] = "MIDlet-";
constexpr int32_t kMidletPrefixLength = 7;
constexpr char kPushPrefix[] = "MIDlet-Push-";
constexpr int32_t kPushPrefixLength = 12;
static_assert(sizeof(kMidletPrefix) == kMidletPrefixLength + 1 &&
              sizeof(kPushPrefix) == kPushPrefixLength + 1);

bool isBreak(uint8_t c) { return c == '\r' || c == '\n'; }

// Bytes after a lead byte: 1 or 2, or -1 for a byte that cannot start one.
int32_t sequenceTail(uint8_t c) {
  if (c >= 0xC0 && c <= 0xDF) return 1;
  if (c >= 0xE0 && c <= 0xEF) return 2;
  return -1;
}

// Rewrites t[0, length) into NUL-separated logical lines; *written gets
// their length. Returns 0 or -4.
int32_t normalize(uint8_t* t, int32_t length, bool manifest, int32_t* written) {
  int32_t r = 0;
  int32_t w = 0;
  if (length >= 3 && t[0] == 0xEF && t[1] == 0xBB && t[2] == 0xBF) r = 3;
  int32_t breaks = 0;        // line breaks since the current line's last byte
  bool lineHasText = false;  // the current logical line has a byte
  while (r < length) {
    const uint8_t c = t[r];
    if (isBreak(c)) {
      if (c == '\r' && r + 1 < length) {
        const uint8_t next = t[r + 1];
        if (next == '\n') {
          ++r;
        } else if (!manifest && next < 0x80 && next != '\r') {
          return kOamsMalformed;
        }
      }
      ++r;
      if (lineHasText) ++breaks;
      continue;
    }
    if (breaks > 0) {
      if (manifest && c == ' ' && breaks == 1) {
        breaks = 0;
        ++r;
        continue;
      }
      t[w++] = 0;
      breaks = 0;
    }
    lineHasText = true;
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t') || c == 0x7F) return kOamsMalformed;
      t[w++] = c;
      ++r;
      continue;
    }
    const int32_t tail = sequenceTail(c);
    if (tail < 0) return kOamsMalformed;
    t[w++] = c;
    ++r;
    for (int32_t k = 0; k < tail; ++k) {
      if (manifest && r < length && isBreak(t[r])) {
        r += t[r] == '\r' && r + 1 < length && t[r + 1] == '\n' ? 2 : 1;
        if (r < length && t[r] == ' ') ++r;
      }
      if (r >= length || (t[r] & 0xC0) != 0x80) return kOamsMalformed;
      t[w++] = t[r++];
    }
  }
  if (w < length) t[w] = 0;
  *written = w;
  return kOamsOk;
}

bool keyByteAllowed(uint8_t b) {
  if (b <= 0x20 || b == 0x7F) return false;
  if (b >= 0x3B && b <= 0x40) return false;  // ; < = > ? @
  switch (b) {
    case '"': case '\'': case '(': case ')': case ',': case '/':
    case '[': case ']': case '{': case '}':
      return false;
    default:
      return true;
  }
}

// Whether text[prefixLength, length) is a decimal number of 1 or more.
bool positiveNumberAfter(const char* key, int32_t length, const char* prefix,
                         int32_t prefixLength) {
  if (length <= prefixLength || std::memcmp(key, prefix, prefixLength) != 0) return false;
  int32_t error = 0;
  const int32_t n = OamsParseInt(key + prefixLength, length - prefixLength, &error);
  return error == kOamsOk && n >= 1;
}

// Parses the line [line, line + length); appends or updates its node.
int32_t parseLine(OamsEnv* env, char* line, int32_t length, OamsAttribute** head,
                  OamsAttribute** tail) {
  const int32_t colon = OamsFindBytes(line, 0, length, ":", 1);
  if (colon <= 0) return kOamsMalformed;
  line[colon] = 0;
  for (int32_t i = 0; i < colon; ++i)
    if (!keyByteAllowed(static_cast<uint8_t>(line[i]))) return kOamsMalformed;
  int32_t valueLength = 0;
  const char* value = OamsTrimBlanks(line + colon + 1, length - colon - 1, &valueLength, nullptr);
  OamsAttribute* node = vsDescriptor_findByKey(*head, line, colon);
  if (node == nullptr) {
    node = static_cast<OamsAttribute*>(vsDescriptor_memAlloc(env, sizeof(OamsAttribute)));
    if (node == nullptr) return kOamsNoMemory;
    node->keyLength = colon;
    node->key = line;
    node->keyIndex = vsDescriptor_classifyKey(line, colon);
    node->next = nullptr;
    if (*tail == nullptr) {
      *head = node;
    } else {
      (*tail)->next = node;
    }
    *tail = node;
  }
  node->valueLength = valueLength;
  node->value = value;
  return kOamsOk;
}

}  // namespace

int32_t vsDescriptor_classifyKey(const char* key, int32_t length) {
  for (const VsStandardKeyRow& row : kVsStandardKeys)
    if (row.length == length && std::memcmp(row.key, key, length) == 0) return row.index;
  if (positiveNumberAfter(key, length, kPushPrefix, kPushPrefixLength)) return kVsKeyMidletPushN;
  if (positiveNumberAfter(key, length, kMidletPrefix, kMidletPrefixLength)) return kVsKeyMidletN;
  return kVsKeyOther;
}

OamsAttribute* vsDescriptor_parse(OamsEnv* env, char* text, int32_t length, int32_t mode,
                                  int32_t* error) {
  int32_t written = 0;
  const int32_t normalized =
      normalize(reinterpret_cast<uint8_t*>(text), length, mode != kVsParseJad, &written);
  if (normalized != kOamsOk) {
    vsDescriptor_setError(error, normalized);
    return nullptr;
  }
  OamsAttribute* head = nullptr;
  OamsAttribute* tail = nullptr;
  for (int32_t start = 0; start < written;) {
    int32_t end = start;
    while (end < written && text[end] != 0) ++end;
    const int32_t code = parseLine(env, text + start, end - start, &head, &tail);
    if (code != kOamsOk) {
      vsDescriptor_freeAttributes(env, head);
      vsDescriptor_setError(error, code);
      return nullptr;
    }
    start = end + 1;
  }
  vsDescriptor_setError(error, kOamsOk);
  return head;
}

OamsAttribute* vsDescriptor_findByKey(OamsAttribute* head, const char* key, int32_t length) {
  for (OamsAttribute* a = head; a != nullptr; a = a->next.get())
    if (a->keyLength == length && std::memcmp(a->key.get(), key, length) == 0) return a;
  return nullptr;
}

OamsAttribute* vsDescriptor_findByIndex(OamsAttribute* head, int32_t index) {
  for (OamsAttribute* a = head; a != nullptr; a = a->next.get())
    if (a->keyIndex == index) return a;
  return nullptr;
}

void vsDescriptor_freeAttributes(OamsEnv* env, OamsAttribute* head) {
  while (head != nullptr) {
    OamsAttribute* next = head->next.get();
    vsDescriptor_memFree(env, head);
    head = next;
  }
}
