// The ZIP records the archive reader reads: signatures, sizes and the
// offsets of the fields it uses, all little-endian. Nothing else of the
// records is read (no versions, dates, disk numbers or ZIP64 fields; the
// sizes of the local header are ignored).
#pragma once

#include <cstdint>

namespace vs_zip {

// End of central directory: 22 bytes and a comment.
inline constexpr uint32_t kEndSignature = 0x06054b50;  // "PK\5\6"
inline constexpr uint32_t kEndRecordBytes = 22;
inline constexpr uint32_t kEndDirectorySize = 12;
inline constexpr uint32_t kEndDirectoryOffset = 16;
inline constexpr uint32_t kEndCommentLength = 20;
inline constexpr uint32_t kMaxComment = 65535;
// The record is not looked for below this offset.
inline constexpr uint32_t kLowestEndRecord = 76;

// Central-directory file header: 46 bytes, name, extra field, comment.
inline constexpr uint32_t kCentralSignature = 0x02014b50;  // "PK\1\2"
inline constexpr uint32_t kCentralRecordBytes = 46;
inline constexpr uint32_t kCentralFlags = 8;  // bit 0: encrypted
inline constexpr uint32_t kCentralMethod = 10;
inline constexpr uint32_t kCentralCrc = 16;
inline constexpr uint32_t kCentralCompressedSize = 20;
inline constexpr uint32_t kCentralUncompressedSize = 24;
inline constexpr uint32_t kCentralNameLength = 28;
inline constexpr uint32_t kCentralExtraLength = 30;
inline constexpr uint32_t kCentralCommentLength = 32;
inline constexpr uint32_t kCentralLocalOffset = 42;

// Local file header: 30 bytes, name, extra field, then the data.
inline constexpr uint32_t kLocalSignature = 0x04034b50;  // "PK\3\4"
inline constexpr uint32_t kLocalRecordBytes = 30;
inline constexpr uint32_t kLocalNameLength = 26;
inline constexpr uint32_t kLocalExtraLength = 28;

inline constexpr uint32_t kMethodStored = 0;
inline constexpr uint32_t kMethodDeflated = 8;

static_assert(kEndCommentLength + 2 == kEndRecordBytes);
static_assert(kCentralLocalOffset + 4 == kCentralRecordBytes);
static_assert(kLocalExtraLength + 2 == kLocalRecordBytes);

inline uint32_t readU16(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8); }
inline uint32_t readU32(const uint8_t* p) { return readU16(p) | (readU16(p + 2) << 16); }

// The offsets where the end record of a file of fileSize bytes may start:
// [*lowest, *highest]; false when there is none.
inline bool endRecordRange(uint32_t fileSize, uint32_t* lowest, uint32_t* highest) {
  if (fileSize < kEndRecordBytes) return false;
  *highest = fileSize - kEndRecordBytes;
  *lowest = *highest > kMaxComment + kLowestEndRecord ? *highest - kMaxComment : kLowestEndRecord;
  return *highest >= *lowest;
}

// Whether the kEndRecordBytes at r, at file offset p, are the end record: its
// signature, and a comment that reaches exactly to the end of the file.
inline bool isEndRecord(const uint8_t* r, uint32_t p, uint32_t fileSize) {
  return readU32(r) == kEndSignature && p + kEndRecordBytes + readU16(r + kEndCommentLength) == fileSize;
}

// From the end record `end` at offset endRecord: the start of the central
// directory and the archive's base (the offset its entry offsets count
// from); false when the directory does not fit before the record.
inline bool directoryPlace(const uint8_t* end, uint32_t endRecord, uint32_t* directoryStart, uint32_t* base) {
  const uint32_t directorySize = readU32(end + kEndDirectorySize);
  const uint32_t directoryOffset = readU32(end + kEndDirectoryOffset);
  if (directorySize > endRecord || directoryOffset > endRecord - directorySize) return false;
  *directoryStart = endRecord - directorySize;
  *base = *directoryStart - directoryOffset;
  return true;
}

// Whether the whole archive in memory has an end record, a directory that
// fits and a local header at its base: what opening it needs.
inline bool isReadableArchive(const uint8_t* bytes, uint32_t size) {
  uint32_t lowest, highest;
  if (!endRecordRange(size, &lowest, &highest)) return false;
  for (uint32_t p = highest + 1; p-- > lowest;) {
    if (!isEndRecord(bytes + p, p, size)) continue;
    uint32_t directoryStart, base;
    return directoryPlace(bytes + p, p, &directoryStart, &base) && base <= size - 4 &&
           readU32(bytes + base) == kLocalSignature;
  }
  return false;
}

}  // namespace vs_zip
