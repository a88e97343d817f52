// The descriptor service's ZIP reader (see descriptor_jar.h).
//
// Positions inside the archive are handled as offsets from its first byte in
// both modes; a memory JAR keeps addresses in its record, which are turned
// back into offsets here. The end record is searched backwards from the last
// place it can stand; in callback mode through a 512-byte window that moves
// towards the start of the archive.
#include "vm/services/descriptor/descriptor_jar.h"

#include <algorithm>
#include <cstring>

#include "vm/core/loader/zip_records.h"
#include "vm/core/model/crc32.h"

namespace {

using namespace vs_zip;

constexpr int32_t kMaxEmptyReads = 10000;
constexpr uint32_t kWindowBytes = 512;
constexpr uint32_t kCacheBytes = 128;
constexpr int64_t kLongestTail = kEndRecordBytes + kMaxComment;  // 65,557
constexpr char kManifestUpper[] = "META-INF/MANIFEST.MF";
constexpr char kManifestLower[] = "meta-inf/manifest.mf";
constexpr uint32_t kManifestLength = 20;
static_assert(sizeof(kManifestUpper) == kManifestLength + 1 &&
              sizeof(kManifestLower) == kManifestLength + 1);
// A callback-mode header buffer holds names up to this length.
constexpr uint32_t kLongestBufferedName = kVsCentralBufferBytes - kCentralRecordBytes;

VsDescriptorReadCallback callbackOf(const OamsJar* jar) {
  return reinterpret_cast<VsDescriptorReadCallback>(vsWord_toPointer(jar->source));
}

// Offsets of the archive start and of the directory's ends.
struct Layout {
  uint32_t archiveStart;
  uint32_t directoryStart;
  uint32_t directoryEnd;
};

Layout layoutOf(const OamsJar* jar) {
  const uint32_t base = jar->fromCallback ? 0 : jar->source;
  return {jar->archiveStart - base, jar->directoryStart - base, jar->directoryEnd - base};
}

// Reads size bytes at an archive offset (checked by the caller).
bool readAt(const OamsJar* jar, uint8_t* to, uint32_t offset, uint32_t size) {
  if (jar->fromCallback)
    return vsDescriptor_readFully(callbackOf(jar), to, static_cast<int32_t>(offset),
                                  static_cast<int32_t>(size)) == 1;
  std::memcpy(to, vsWord_toPointer<const uint8_t>(jar->source) + offset, size);
  return true;
}

bool nameMatches(const uint8_t* entryName, uint32_t length, const char* name, int32_t nameLength,
                 bool anyCaseManifest) {
  if (anyCaseManifest) {
    if (length != kManifestLength) return false;
    for (uint32_t i = 0; i < length; ++i)
      if (entryName[i] != static_cast<uint8_t>(kManifestUpper[i]) &&
          entryName[i] != static_cast<uint8_t>(kManifestLower[i]))
        return false;
    return true;
  }
  return length == static_cast<uint32_t>(nameLength) && std::memcmp(entryName, name, length) == 0;
}

uint32_t centralSpan(const uint8_t* header) {
  return kCentralRecordBytes + readU16(header + kCentralNameLength) +
         readU16(header + kCentralExtraLength) + readU16(header + kCentralCommentLength);
}

// The end-record search's view of the archive: 22 bytes at a candidate.
class EndRecordView {
 public:
  virtual ~EndRecordView() = default;
  // Makes [offset, offset + 22) readable: 0, or a code.
  virtual int32_t reach(uint32_t offset) = 0;
  virtual const uint8_t* at(uint32_t offset) const = 0;
};

class MemoryView final : public EndRecordView {
 public:
  explicit MemoryView(const uint8_t* archive) : archive_(archive) {}
  int32_t reach(uint32_t) override { return kOamsOk; }
  const uint8_t* at(uint32_t offset) const override { return archive_ + offset; }

 private:
  const uint8_t* archive_;
};

// Holds [start_, start_ + length_) of the archive; moves back by at most
// 490 bytes past the candidate, never below the search's lower bound.
class WindowView final : public EndRecordView {
 public:
  WindowView(VsDescriptorReadCallback read, uint8_t* window, uint32_t lower)
      : read_(read), window_(window), lower_(lower) {}

  int32_t fillLast(uint32_t size) {
    start_ = size - kEndRecordBytes;
    length_ = kEndRecordBytes;
    return readGap(start_, kEndRecordBytes);
  }
  int32_t reach(uint32_t offset) override {
    if (offset >= start_) return kOamsOk;
    const uint32_t room = start_ - lower_;
    const uint32_t move = std::min(room, kWindowBytes - kEndRecordBytes + (start_ - offset));
    std::memmove(window_ + move, window_, std::min(length_, kWindowBytes - move));
    length_ = std::min(length_ + move, kWindowBytes);
    start_ -= move;
    return readGap(start_, move);
  }
  const uint8_t* at(uint32_t offset) const override { return window_ + (offset - start_); }

 private:
  int32_t readGap(uint32_t offset, uint32_t bytes) {
    return vsDescriptor_readFully(read_, window_, static_cast<int32_t>(offset),
                                  static_cast<int32_t>(bytes)) == 1
               ? kOamsOk
               : kOamsReadFailed;
  }
  VsDescriptorReadCallback read_;
  uint8_t* window_;
  uint32_t lower_;
  uint32_t start_ = 0;
  uint32_t length_ = 0;
};

// Searches the end record of an archive of size bytes (>= 22); on a hit
// fills the layout. Returns 0 or a code.
int32_t findEndRecord(EndRecordView& view, uint32_t size, uint32_t lower, Layout* layout) {
  int64_t c = static_cast<int64_t>(size) - kEndRecordBytes;
  while (c >= lower) {
    const uint32_t at = static_cast<uint32_t>(c);
    const int32_t reached = view.reach(at);
    if (reached != kOamsOk) return reached;
    const uint8_t* p = view.at(at);
    switch (p[0]) {
      case 'P':
        if (readU32(p) == kEndSignature &&
            at + uint64_t{kEndRecordBytes} + readU16(p + kEndCommentLength) == size) {
          const uint32_t directorySize = readU32(p + kEndDirectorySize);
          const uint32_t directoryOffset = readU32(p + kEndDirectoryOffset);
          if (directorySize > at) return kOamsMalformed;
          const uint32_t directoryStart = at - directorySize;
          if (directoryOffset > directoryStart) return kOamsMalformed;
          *layout = {directoryStart - directoryOffset, directoryStart, at};
          return kOamsOk;
        }
        c -= 4;
        break;
      case 'K':
        c -= 1;
        break;
      case 5:
        c -= 2;
        break;
      case 6:
        c -= 3;
        break;
      default:
        c -= 4;
        break;
    }
  }
  return kOamsMalformed;
}

// Locates the directory and checks the first local header's signature.
int32_t locate(OamsEnv* env, uint32_t size, const uint8_t* buffer, VsDescriptorReadCallback read,
               Layout* layout) {
  if (size < kEndRecordBytes) return kOamsMalformed;
  const uint32_t lower = static_cast<uint32_t>(
      std::max<int64_t>(static_cast<int64_t>(size) - kLongestTail, kLowestEndRecord));
  int32_t code;
  if (buffer != nullptr) {
    MemoryView view(buffer);
    code = findEndRecord(view, size, lower, layout);
  } else {
    auto* window = static_cast<uint8_t*>(vsDescriptor_memAlloc(env, kWindowBytes));
    if (window == nullptr) return kOamsNoMemory;
    WindowView view(read, window, lower);
    code = size - kEndRecordBytes >= lower ? view.fillLast(size) : kOamsOk;
    if (code == kOamsOk) code = findEndRecord(view, size, lower, layout);
    vsDescriptor_memFree(env, window);
  }
  if (code != kOamsOk) return code;
  uint8_t signature[4];
  if (buffer != nullptr) {
    std::memcpy(signature, buffer + layout->archiveStart, 4);
  } else if (vsDescriptor_readFully(read, signature, static_cast<int32_t>(layout->archiveStart),
                                    4) != 1) {
    return kOamsMalformed;
  }
  return readU32(signature) == kLocalSignature ? kOamsOk : kOamsMalformed;
}

// Byte sources of the decoder: the data in memory, or a 128-byte cache
// refilled through the callback, both bounded by the compressed size.
int32_t memoryByte(void* context, uint32_t* position) {
  return static_cast<const uint8_t*>(context)[(*position)++];
}

struct CallbackSource {
  VsDescriptorReadCallback read;
  uint32_t dataOffset;  // archive offset of the compressed data
  uint32_t dataLength;
  uint32_t cacheStart;  // data position of cache[0]
  uint32_t cacheFill;
  uint8_t cache[kCacheBytes];
};

int32_t callbackByte(void* context, uint32_t* position) {
  auto* s = static_cast<CallbackSource*>(context);
  const uint32_t at = *position;
  if (at < s->cacheStart || at - s->cacheStart >= s->cacheFill) {
    if (at >= s->dataLength) return -1;
    const uint32_t n = std::min(kCacheBytes, s->dataLength - at);
    if (vsDescriptor_readFully(s->read, s->cache, static_cast<int32_t>(s->dataOffset + at),
                               static_cast<int32_t>(n)) != 1)
      return -1;
    s->cacheStart = at;
    s->cacheFill = n;
  }
  ++*position;
  return s->cache[at - s->cacheStart];
}

bool inflate(OamsEnv* env, const OamsJar* jar, uint32_t dataOffset, uint32_t compressed,
             uint8_t* output, uint32_t size) {
  const VsInflaterAllocator allocator = vsDescriptor_inflaterAllocator(env);
  if (!jar->fromCallback) {
    void* data = const_cast<uint8_t*>(vsWord_toPointer<const uint8_t>(jar->source) + dataOffset);
    return vsJarInflater_inflate(&allocator, data, memoryByte, compressed, output, size, 0) == 1;
  }
  CallbackSource source{callbackOf(jar), dataOffset, compressed, 0, 0, {}};
  return vsJarInflater_inflate(&allocator, &source, callbackByte, compressed, output, size, 0) == 1;
}

}  // namespace

int32_t vsDescriptor_readFully(VsDescriptorReadCallback read, void* buffer, int32_t offset,
                               int32_t size) {
  if (offset < 0 || size < 0 || size > 0x7FFFFFFF - offset) return 0;
  auto* to = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  int32_t empty = 0;
  while (done < size) {
    const int32_t n = read(to + done, offset + done, size - done);
    if (n < 0 || n > size - done) return 0;
    if (n == 0) {
      if (++empty > kMaxEmptyReads) return 0;
      continue;
    }
    empty = 0;
    done += n;
  }
  return 1;
}

OamsHandle OamsJarOpen(OamsHandle envHandle, int32_t size, const void* buffer,
                       VsDescriptorReadCallback readCallback, int32_t* error) {
  OamsEnv* env = vsDescriptor_env(envHandle);
  if (env == nullptr || (buffer == nullptr && readCallback == nullptr)) {
    vsDescriptor_setError(error, kOamsBadArgument);
    return kOamsInvalidHandle;
  }
  if (size < 0) {
    vsDescriptor_setError(error, kOamsNegativeJarSize);
    return kOamsInvalidHandle;
  }
  auto* jar = static_cast<OamsJar*>(vsDescriptor_memAlloc(env, sizeof(OamsJar)));
  if (jar == nullptr) {
    vsDescriptor_setError(error, kOamsNoMemory);
    return kOamsInvalidHandle;
  }
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  Layout layout{};
  const int32_t code = locate(env, static_cast<uint32_t>(size), bytes, readCallback, &layout);
  if (code != kOamsOk) {
    vsDescriptor_memFree(env, jar);
    vsDescriptor_setError(error, code);
    return kOamsInvalidHandle;
  }
  if (bytes != nullptr) {
    jar->source = vsWord_fromPointer(bytes);
    // The whole archive lies below 4 GiB, so these sums cannot wrap.
    vsWord_fromPointer(bytes + size);
    jar->archiveStart = jar->source + layout.archiveStart;
    jar->directoryStart = jar->source + layout.directoryStart;
    jar->directoryEnd = jar->source + layout.directoryEnd;
    jar->fromCallback = 0;
  } else {
    jar->source = vsWord_fromPointer(reinterpret_cast<const void*>(readCallback));
    jar->archiveStart = layout.archiveStart;
    jar->directoryStart = layout.directoryStart;
    jar->directoryEnd = layout.directoryEnd;
    jar->fromCallback = 1;
  }
  vsDescriptor_setError(error, kOamsOk);
  return vsDescriptor_handle(jar);
}

int32_t OamsJarClose(OamsHandle envHandle, OamsHandle jarHandle) {
  OamsEnv* env = vsDescriptor_env(envHandle);
  auto* jar = vsDescriptor_record<OamsJar>(jarHandle);
  if (env == nullptr || jar == nullptr) return kOamsBadArgument;
  vsDescriptor_memFree(env, jar);
  return kOamsOk;
}

const uint8_t* vsDescriptorJar_findEntry(OamsEnv* env, const OamsJar* jar, const char* name,
                                         int32_t nameLength, bool anyCaseManifest) {
  const Layout layout = layoutOf(jar);
  if (!jar->fromCallback) {
    VsDescriptorCursor cursor = vsDescriptorJar_getDirectory(jar);
    for (;;) {
      const uint8_t* header = cursor.at;
      int32_t length = 0;
      const char* entryName = vsDescriptorJar_nextEntry(&cursor, &length);
      if (entryName == nullptr) return nullptr;
      if (nameMatches(reinterpret_cast<const uint8_t*>(entryName), static_cast<uint32_t>(length),
                      name, nameLength, anyCaseManifest))
        return header;
    }
  }
  auto* buffer = static_cast<uint8_t*>(vsDescriptor_memAlloc(env, kVsCentralBufferBytes));
  if (buffer == nullptr) return nullptr;
  const uint32_t wanted = anyCaseManifest ? kManifestLength : static_cast<uint32_t>(nameLength);
  uint32_t at = layout.directoryStart;
  while (layout.directoryEnd - at >= kCentralRecordBytes &&
         readAt(jar, buffer, at, kCentralRecordBytes) && readU32(buffer) == kCentralSignature) {
    const uint32_t span = centralSpan(buffer);
    if (span > layout.directoryEnd - at) break;
    const uint32_t length = readU16(buffer + kCentralNameLength);
    if (length == wanted && length <= kLongestBufferedName) {
      if (!readAt(jar, buffer + kCentralRecordBytes, at + kCentralRecordBytes, length)) break;
      if (nameMatches(buffer + kCentralRecordBytes, length, name, nameLength, anyCaseManifest))
        return buffer;
    }
    at += span;
  }
  vsDescriptor_memFree(env, buffer);
  return nullptr;
}

void vsDescriptorJar_releaseEntry(OamsEnv* env, const OamsJar* jar, const uint8_t* header) {
  if (jar->fromCallback) vsDescriptor_memFree(env, const_cast<uint8_t*>(header));
}

int32_t vsDescriptorJar_entrySize(OamsEnv* env, const OamsJar* jar, const char* name,
                                  int32_t nameLength, bool anyCaseManifest) {
  const uint8_t* header = vsDescriptorJar_findEntry(env, jar, name, nameLength, anyCaseManifest);
  if (header == nullptr) return -1;
  const int32_t size = vsDescriptorJar_entrySizeOf(header);
  vsDescriptorJar_releaseEntry(env, jar, header);
  return size;
}

int32_t vsDescriptorJar_entrySizeOf(const uint8_t* centralHeader) {
  const uint32_t size = readU32(centralHeader + kCentralUncompressedSize);
  return size <= 0x7FFFFFFFu ? static_cast<int32_t>(size) : -1;
}

uint8_t* vsDescriptorJar_readEntry(OamsEnv* env, const OamsJar* jar, const uint8_t* centralHeader,
                                   uint8_t* output) {
  const uint32_t flags = readU16(centralHeader + kCentralFlags);
  const uint32_t method = readU16(centralHeader + kCentralMethod);
  const uint32_t crc = readU32(centralHeader + kCentralCrc);
  const uint32_t compressed = readU32(centralHeader + kCentralCompressedSize);
  const uint32_t size = readU32(centralHeader + kCentralUncompressedSize);
  const uint32_t localOffset = readU32(centralHeader + kCentralLocalOffset);
  if ((flags & 1) != 0 || size > 0x7FFFFFFFu) return nullptr;
  const Layout layout = layoutOf(jar);
  // Local header and data lie in [archiveStart, directoryStart).
  const uint64_t room = layout.directoryStart - layout.archiveStart;
  if (uint64_t{localOffset} + kLocalRecordBytes > room) return nullptr;
  uint8_t local[kLocalRecordBytes];
  if (!readAt(jar, local, layout.archiveStart + localOffset, kLocalRecordBytes)) return nullptr;
  const uint64_t dataStart = uint64_t{localOffset} + kLocalRecordBytes +
                             readU16(local + kLocalNameLength) + readU16(local + kLocalExtraLength);
  if (dataStart + compressed > room) return nullptr;
  const uint32_t dataOffset = layout.archiveStart + static_cast<uint32_t>(dataStart);
  bool ok;
  if (method == kMethodStored) {
    ok = compressed == size && readAt(jar, output, dataOffset, size);
  } else if (method == kMethodDeflated) {
    ok = inflate(env, jar, dataOffset, compressed, output, size);
  } else {
    ok = false;
  }
  if (!ok || vsCrc32(output, size) != crc) return nullptr;
  return output;
}

uint8_t* vsDescriptorJar_extractManifest(OamsEnv* env, const OamsJar* jar, int32_t* length) {
  const int32_t size = vsDescriptorJar_entrySize(env, jar, nullptr, 0, true);
  *length = size;
  if (size < 0) return nullptr;
  auto* text = static_cast<uint8_t*>(vsDescriptor_memAlloc(env, static_cast<uint32_t>(size)));
  if (text == nullptr) return nullptr;
  const uint8_t* header = vsDescriptorJar_findEntry(env, jar, nullptr, 0, true);
  uint8_t* result = header != nullptr ? vsDescriptorJar_readEntry(env, jar, header, text) : nullptr;
  if (header != nullptr) vsDescriptorJar_releaseEntry(env, jar, header);
  if (result == nullptr) vsDescriptor_memFree(env, text);
  return result;
}

VsDescriptorCursor vsDescriptorJar_getDirectory(const OamsJar* jar) {
  if (jar->fromCallback) return {nullptr, nullptr};
  return {vsWord_toPointer<const uint8_t>(jar->directoryStart),
          vsWord_toPointer<const uint8_t>(jar->directoryEnd)};
}

const char* vsDescriptorJar_nextEntry(VsDescriptorCursor* cursor, int32_t* nameLength) {
  const uint8_t* at = cursor->at;
  if (at == nullptr || at > cursor->end ||
      static_cast<size_t>(cursor->end - at) < kCentralRecordBytes ||
      readU32(at) != kCentralSignature)
    return nullptr;
  const uint32_t span = centralSpan(at);
  if (span > static_cast<size_t>(cursor->end - at)) return nullptr;
  *nameLength = static_cast<int32_t>(readU16(at + kCentralNameLength));
  cursor->at = at + span;
  return reinterpret_cast<const char*>(at + kCentralRecordBytes);
}
