// Opening, searching, reading and enumerating JAR archives.
#include "vm/core/loader/jar_file.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/loader/inflater.h"
#include "vm/core/loader/zip_records.h"
#include "vm/core/loader/zip_stream.h"
#include "vm/core/model/crc32.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/services/lifecycle/os_file.h"

VS_VMBSS(int32_t) vsJarFile_existenceQuery;

namespace {

constexpr uint32_t kMaxComparedName = 256;

// Reads exactly n bytes at offset straight from the file.
bool readAt(VmWord file, uint32_t offset, uint8_t* to, uint32_t n) {
  return offset <= 0x7FFFFFFF && vsOs_fileSeek(file, static_cast<int32_t>(offset), 0) == 0 &&
         vsOs_fileRead(file, to, 1, n) == static_cast<int32_t>(n);
}

// File offset of the end-of-central-directory record, searched backwards
// from the last place it can start; it is taken only where its comment
// length reaches exactly to the end of the file. False when there is none.
bool findEndRecord(VmWord file, uint32_t fileSize, uint32_t* recordOffset) {
  using namespace vs_zip;
  uint32_t lowest, highest;
  if (!endRecordRange(fileSize, &lowest, &highest)) return false;
  // Each window holds the candidates [low, high] and the 22 bytes of the last.
  constexpr uint32_t kWindow = 512;
  uint8_t window[kWindow];
  uint32_t high = highest;
  for (;;) {
    const uint32_t low = high - lowest > kWindow - kEndRecordBytes ? high - (kWindow - kEndRecordBytes) : lowest;
    if (!readAt(file, low, window, high - low + kEndRecordBytes)) return false;
    for (uint32_t p = high + 1; p-- > low;) {
      const uint8_t* r = window + (p - low);
      if (isEndRecord(r, p, fileSize)) {
        *recordOffset = p;
        return true;
      }
    }
    if (low == lowest) return false;
    high = low - 1;
  }
}

}  // namespace

void vsJarFile_open(VsJarFile* jar, const char* path, int32_t isClassFile) {
  using namespace vs_zip;
  jar->open = 0;
  jar->found = 0;
  jar->classFile = isClassFile;
  jar->savedHead = vsLocalRootList.get();
  vsHandle_pushEmpty(&jar->stream);
  const VmWord file = vsOs_fileOpen(path, "rb");
  if (file == 0) return;
  const int32_t size = vsOs_fileSize(file);
  uint32_t endRecord;
  uint8_t end[kEndRecordBytes];
  uint8_t signature[4];
  if (size < 0 || !findEndRecord(file, static_cast<uint32_t>(size), &endRecord) ||
      !readAt(file, endRecord, end, kEndRecordBytes)) {
    vsOs_fileClose(file);
    return;
  }
  uint32_t directoryStart, base;
  if (!directoryPlace(end, endRecord, &directoryStart, &base)) {
    vsOs_fileClose(file);
    return;
  }
  if (!readAt(file, base, signature, 4) || readU32(signature) != kLocalSignature ||
      !vsZipStream_create(&jar->stream.object, file)) {
    vsOs_fileClose(file);
    return;
  }
  VsZipStream* s = vsZipStream_of(&jar->stream.object);
  s->archiveBase = base;
  s->directoryStart = directoryStart;
  s->directoryPosition = directoryStart;
  // The stream does not know the file's position yet: every read of the
  // reader starts with a seek.
  jar->open = 1;
}

int32_t vsJarFile_findEntry(VsJarFile* jar, const char* name, uint32_t nameLength) {
  using namespace vs_zip;
  VmRef* holder = &jar->stream.object;
  jar->found = 0;
  uint32_t at = vsZipStream_of(holder)->directoryPosition;
  uint8_t record[kCentralRecordBytes];
  char entryName[kMaxComparedName];
  for (;;) {
    if (at > 0x7FFFFFFF || vsZipStream_seek(holder, static_cast<int32_t>(at), 0) != 0 ||
        vsZipStream_read(holder, record, kCentralRecordBytes, true) != kCentralRecordBytes ||
        readU32(record) != kCentralSignature)
      return 0;
    const uint32_t entryNameLength = readU16(record + kCentralNameLength);
    bool match = name == nullptr;
    if (!match && entryNameLength == nameLength && nameLength <= kMaxComparedName) {
      if (vsZipStream_read(holder, reinterpret_cast<uint8_t*>(entryName), nameLength, true) != nameLength)
        return 0;
      match = std::memcmp(entryName, name, nameLength) == 0;
    }
    if (match) {
      VsZipStream* s = vsZipStream_of(holder);
      std::memcpy(s->centralRecord, record, kCentralRecordBytes);
      s->uncompressedSize = readU32(record + kCentralUncompressedSize);
      s->directoryPosition = at;
      jar->found = 1;
      return 1;
    }
    // The next record; the three lengths are 16-bit, so this cannot wrap
    // below 2^32 unless `at` is near it, which the check above refuses.
    at += kCentralRecordBytes + entryNameLength + readU16(record + kCentralExtraLength) +
          readU16(record + kCentralCommentLength);
  }
}

uint32_t vsJarFile_entrySize(const VsJarFile* jar) {
  return vsWord_toPointer<VsZipStream>(jar->stream.object)->uncompressedSize;
}

int32_t vsJarFile_readEntry(VsJarFile* jar, VmRef* destination, uint32_t size) {
  using namespace vs_zip;
  VmRef* holder = &jar->stream.object;
  VsZipStream* s = vsZipStream_of(holder);
  const uint8_t* record = s->centralRecord;
  const uint32_t compressed = readU32(record + kCentralCompressedSize);
  const uint32_t uncompressed = s->uncompressedSize;
  const uint32_t method = readU16(record + kCentralMethod);
  const uint32_t crc = readU32(record + kCentralCrc);
  if ((readU16(record + kCentralFlags) & 1) != 0 || size > uncompressed) return -1;
  if (static_cast<uint32_t>(vsWord_toPointer<ByteArray>(*destination)->length) < uncompressed) return -1;
  // Local header, then its name and extra fields, then the data: all of it
  // inside the file.
  const int32_t fileSize = vsOs_fileSize(s->fileHandle);
  const uint32_t localOffset = readU32(record + kCentralLocalOffset);
  uint8_t local[kLocalRecordBytes];
  if (fileSize < 0 || s->archiveBase > static_cast<uint32_t>(fileSize) ||
      localOffset > static_cast<uint32_t>(fileSize) - s->archiveBase)
    return -1;
  const uint32_t localAt = s->archiveBase + localOffset;
  if (vsZipStream_seek(holder, static_cast<int32_t>(localAt), 0) != 0 ||
      vsZipStream_read(holder, local, kLocalRecordBytes, true) != kLocalRecordBytes)
    return -1;
  const uint32_t skip = readU16(local + kLocalNameLength) + readU16(local + kLocalExtraLength);
  const uint32_t dataAt = localAt + kLocalRecordBytes + skip;  // below 2^31 + 2^17
  if (dataAt > static_cast<uint32_t>(fileSize) || compressed > static_cast<uint32_t>(fileSize) - dataAt ||
      vsZipStream_seek(holder, static_cast<int32_t>(dataAt), 0) != 0)
    return -1;
  if (method == kMethodStored) {
    if (compressed != uncompressed) return -1;
    uint8_t* to = reinterpret_cast<uint8_t*>(vsWord_toPointer<ByteArray>(*destination)->elements);
    if (vsZipStream_read(holder, to, uncompressed, false) != uncompressed) return -1;
  } else if (method == kMethodDeflated) {
    if (!vsInflater_inflate(holder, compressed, destination, uncompressed)) return -1;
  } else {
    return -1;
  }
  if (vsVmFlags().UseVerifier != 0 || !jar->classFile) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(vsWord_toPointer<ByteArray>(*destination)->elements);
    if (vsCrc32(data, uncompressed) != crc) return -1;
  }
  return vsJarFile_existenceQuery ? 1 : static_cast<int32_t>(uncompressed);
}

void vsJarFile_close(VsJarFile* jar) {
  if (jar->open) vsZipStream_close(&jar->stream.object);
  jar->open = 0;
  vsLocalRootList = jar->savedHead.get();
}

bool vsString_endsWith(const char* suffix, const char* name, uint32_t nameLength) {
  const size_t n = std::strlen(suffix);
  return nameLength > n && std::memcmp(name + nameLength - n, suffix, n) == 0;
}

void vsJarFile_forEachEntry(const char* path, const char* suffix, VsJarEntryCallback callback) {
  using namespace vs_zip;
  VsJarFile jar;
  vsJarFile_open(&jar, path, std::strcmp(suffix, ".class") == 0);
  char name[kMaxComparedName];
  while (jar.open && vsJarFile_findEntry(&jar, nullptr, 0)) {
    VmRef* holder = &jar.stream.object;
    VsZipStream* s = vsZipStream_of(holder);
    const uint8_t* record = s->centralRecord;
    const uint32_t nameLength = readU16(record + kCentralNameLength);
    const uint32_t next = s->directoryPosition + kCentralRecordBytes + nameLength +
                          readU16(record + kCentralExtraLength) + readU16(record + kCentralCommentLength);
    if (nameLength >= kMaxComparedName) {
      vsException_raiseWithCode(kVmErrorClass, kErrPathName);
      break;
    }
    // The name follows the record that findEntry has just read.
    if (vsZipStream_read(holder, reinterpret_cast<uint8_t*>(name), nameLength, true) != nameLength) break;
    if (vsString_endsWith(suffix, name, nameLength)) callback(name, nameLength, &jar);
    if (vsException_isPending()) break;
    vsZipStream_of(holder)->directoryPosition = next;
  }
  vsJarFile_close(&jar);
}
