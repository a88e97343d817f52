// UTF-8 character streams (see utf8_stream.h).
#include "vm/services/text/utf8_stream.h"

#include "vm/core/model/object_layout.h"

namespace {

inline int32_t byteAt(const VsUtf8Stream* s, int32_t index) { return s->getByte(index) & 0xff; }

inline bool isContinuation(int32_t b) { return (b & 0xc0) == 0x80; }

}  // namespace

int32_t VsUtf8Stream::countChars() { return vsUtf8Stream_countChars(this); }

int32_t VsUtf8Stream::nextChar() { return vsUtf8Stream_nextChar(this); }

int32_t VsUtf8Stream::getByte(int32_t) const { return 0; }

void VsUtf8Stream::putByte(int32_t, int32_t) {}

int32_t VsUtf8BufferStream::getByte(int32_t index) const {
  return static_cast<int8_t>(buffer_[index]);
}

void VsUtf8BufferStream::putByte(int32_t index, int32_t value) {
  buffer_[index] = static_cast<uint8_t>(value);
}

VsUtf8SymbolStream::VsUtf8SymbolStream(const VmWord* symbol)
    : VsUtf8Stream(0, vsRef_as<VmSymbol>(*symbol)->length), symbol_(symbol) {}

int32_t VsUtf8SymbolStream::getByte(int32_t index) const {
  return static_cast<int8_t>(vsRef_as<VmSymbol>(*symbol_)->bytes[index]);
}

void VsUtf8SymbolStream::putByte(int32_t index, int32_t value) {
  vsRef_as<VmSymbol>(*symbol_)->bytes[index] = static_cast<uint8_t>(value);
}

VsUtf8ByteArrayStream::VsUtf8ByteArrayStream(const VmWord* array)
    : VsUtf8Stream(0, vsRef_as<ByteArray>(*array)->length), array_(array) {}

int32_t VsUtf8ByteArrayStream::getByte(int32_t index) const {
  return vsRef_as<ByteArray>(*array_)->elements[index];
}

void VsUtf8ByteArrayStream::putByte(int32_t index, int32_t value) {
  vsRef_as<ByteArray>(*array_)->elements[index] = static_cast<int8_t>(value);
}

int32_t vsUtf8Reader_readChar(const VsUtf8Stream* stream, int32_t index, int32_t* ch) {
  if (index < stream->start() || index >= stream->end()) return -1;
  const int32_t lead = byteAt(stream, index);
  if (lead == 0) return -1;
  if (lead < 0x80) {
    *ch = lead;
    return index + 1;
  }
  return vsUtf8Stream_decodeChar(stream, index + 1, lead, ch);
}

int32_t vsUtf8Stream_decodeChar(const VsUtf8Stream* stream, int32_t indexAfterLead, int32_t lead,
                                int32_t* ch) {
  const int32_t end = stream->end();
  switch (lead >> 4) {
    case 0x0:
    case 0x1:
    case 0x2:
    case 0x3:
    case 0x4:
    case 0x5:
    case 0x6:
    case 0x7:
      *ch = lead;
      return indexAfterLead;
    case 0xc:
    case 0xd: {
      if (indexAfterLead >= end) return -1;
      const int32_t b = byteAt(stream, indexAfterLead);
      if (!isContinuation(b)) return -1;
      *ch = (lead & 0x1f) << 6 | (b & 0x3f);
      return indexAfterLead + 1;
    }
    case 0xe: {
      if (indexAfterLead >= end) return -1;
      const int32_t first = byteAt(stream, indexAfterLead);
      if (!isContinuation(first)) return -1;
      if (indexAfterLead + 1 >= end) return -1;
      const int32_t second = byteAt(stream, indexAfterLead + 1);
      if (isContinuation(second)) {
        *ch = (lead & 0x0f) << 12 | (first & 0x3f) << 6 | (second & 0x3f);
        return indexAfterLead + 2;
      }
      *ch = (lead & 0x0f) << 6 | (first & 0x3f);
      return indexAfterLead + 1;
    }
    default:  // a continuation byte as lead, or a four-byte form
      return -1;
  }
}

int32_t vsUtf8Stream_countChars(VsUtf8Stream* stream) {
  int32_t count = 0;
  int32_t ch;
  for (int32_t i = stream->start(); i < stream->end(); ++count) {
    i = vsUtf8Reader_readChar(stream, i, &ch);
    if (i < 0) return -1;
  }
  return count;
}

int32_t vsUtf8Stream_nextChar(VsUtf8Stream* stream) {
  int32_t ch = -1;
  const int32_t at = stream->position();
  const int32_t next = vsUtf8Reader_readChar(stream, at, &ch);
  stream->seek(next < 0 ? at + 1 : next);
  return next < 0 ? -1 : ch;
}

int32_t vsUtf8Stream_isValid(VsUtf8Stream* stream) {
  return vsUtf8Stream_countChars(stream) != -1 ? 1 : 0;
}

int32_t vsUtf8Stream_encodedLength(const VsUtf8Stream*, int32_t ch) {
  if (ch >= 0x01 && ch <= 0x7f) return 1;
  if (ch == 0 || (ch >= 0x80 && ch <= 0x7ff)) return 2;
  return 3;
}

int32_t vsUtf8Stream_utf8Length(const VsUtf8Stream* stream) {
  int32_t total = 0;
  for (int32_t i = stream->start(); i < stream->end(); ++i)
    total += vsUtf8Stream_encodedLength(stream, stream->getByte(i) & 0xffff);
  return total;
}

int32_t vsUtf8Stream_encodeChar(VsUtf8Stream* stream, int32_t index, int32_t ch) {
  if (ch >= 0x01 && ch <= 0x7f) {
    stream->putByte(index, ch);
    return index + 1;
  }
  if (ch == 0 || (ch >= 0x80 && ch <= 0x7ff)) {
    stream->putByte(index, 0xc0 | (ch >> 6 & 0x1f));
    stream->putByte(index + 1, 0x80 | (ch & 0x3f));
    return index + 2;
  }
  stream->putByte(index, 0xe0 | (ch >> 12 & 0x0f));
  stream->putByte(index + 1, 0x80 | (ch >> 6 & 0x3f));
  stream->putByte(index + 2, 0x80 | (ch & 0x3f));
  return index + 3;
}
