// UTF-8 character streams: a run of bytes in the Java variant of UTF-8
// (U+0000 is written C0 80, so a 0 byte never occurs inside text) read as
// UCS-2 characters, or written from them.
//
// A stream is {position, start, length} over a byte source; the classes
// differ only in how the byte at an index of the source is read and written:
//
//   class              source                          byte at index i
//   VsUtf8Stream       none (a counting sink)          0; writes vanish
//   VsUtf8BufferStream plain memory                    buffer[i]
//   VsUtf8SymbolStream handle of a symbol              symbol byte 6 + i
//   VsUtf8ByteArrayStream handle of a byte[]           array byte 8 + i
//
// The symbol and byte-array streams read every byte through the handle, so
// an object that the collector moved is still found. Streams are short-lived
// locals of the VM thread; they hold nothing that needs releasing.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"

class VsUtf8Stream {
 public:
  VsUtf8Stream(int32_t start, int32_t length) : position_(start), start_(start), length_(length) {}

  // Number of characters from start to start + length, or -1 when the bytes
  // are not well-formed.
  int32_t countChars();
  int32_t length() const { return length_; }
  // Position back to start; returns it.
  int32_t rewind() { return position_ = start_; }
  // The character at the position, moving past it; on a malformed byte the
  // position moves one byte on and the result is -1.
  int32_t nextChar();

  // The byte at an index of the source, as a signed 8-bit value.
  virtual int32_t getByte(int32_t index) const;
  virtual void putByte(int32_t index, int32_t value);

  int32_t start() const { return start_; }
  int32_t position() const { return position_; }
  void seek(int32_t position) { position_ = position; }
  int32_t end() const { return start_ + length_; }

  // Two 16-bit values that callers may keep; the stream does not use them.
  uint32_t spare = 0;

 private:
  int32_t position_;
  int32_t start_;
  int32_t length_;
};

class VsUtf8BufferStream final : public VsUtf8Stream {
 public:
  VsUtf8BufferStream(uint8_t* buffer, int32_t start, int32_t length)
      : VsUtf8Stream(start, length), buffer_(buffer) {}
  VsUtf8BufferStream(const uint8_t* buffer, int32_t start, int32_t length)
      : VsUtf8Stream(start, length), buffer_(const_cast<uint8_t*>(buffer)) {}
  int32_t getByte(int32_t index) const override;
  void putByte(int32_t index, int32_t value) override;

 private:
  uint8_t* buffer_;
};

class VsUtf8SymbolStream final : public VsUtf8Stream {
 public:
  // Start 0, length the symbol's 16-bit length.
  explicit VsUtf8SymbolStream(const VmWord* symbol);
  int32_t getByte(int32_t index) const override;
  void putByte(int32_t index, int32_t value) override;

 private:
  const VmWord* symbol_;
};

class VsUtf8ByteArrayStream final : public VsUtf8Stream {
 public:
  VsUtf8ByteArrayStream(const VmWord* array, int32_t start, int32_t length)
      : VsUtf8Stream(start, length), array_(array) {}
  // Start 0, length the array's length.
  explicit VsUtf8ByteArrayStream(const VmWord* array);
  int32_t getByte(int32_t index) const override;
  void putByte(int32_t index, int32_t value) override;

 private:
  const VmWord* array_;
};

// The index after the character at `index`, storing the character, or -1:
// outside start .. start + length - 1, a 0 byte, or a malformed sequence.
int32_t vsUtf8Reader_readChar(const VsUtf8Stream* stream, int32_t index, int32_t* ch);
// Decodes the rest of a character whose lead byte is `lead`; returns the
// index after it or -1.
int32_t vsUtf8Stream_decodeChar(const VsUtf8Stream* stream, int32_t indexAfterLead, int32_t lead,
                                int32_t* ch);
int32_t vsUtf8Stream_countChars(VsUtf8Stream* stream);
int32_t vsUtf8Stream_nextChar(VsUtf8Stream* stream);
int32_t vsUtf8Stream_isValid(VsUtf8Stream* stream);
// 1 for U+0001..U+007F, 2 for U+0000 and U+0080..U+07FF, 3 above.
int32_t vsUtf8Stream_encodedLength(const VsUtf8Stream* stream, int32_t ch);
// The UTF-8 length of the stream's elements read as 16-bit characters.
int32_t vsUtf8Stream_utf8Length(const VsUtf8Stream* stream);
// Writes the character at `index` through putByte; returns the index after it.
int32_t vsUtf8Stream_encodeChar(VsUtf8Stream* stream, int32_t index, int32_t ch);
