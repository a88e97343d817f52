// PNG decoder (see png_decoder.h).
#include "port/kjava_gfx/devcodec/png_decoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

// Chunk types, as their four bytes read big-endian.
constexpr uint32_t kChunkIHDR = 0x49484452;
constexpr uint32_t kChunkIDAT = 0x49444154;
constexpr uint32_t kChunkIEND = 0x49454E44;
constexpr uint32_t kChunkPLTE = 0x504C5445;
constexpr uint32_t kChunktRNS = 0x74524E53;
constexpr uint32_t kChunkgAMA = 0x67414D41;

// Largest chunk length and image dimension PNG allows.
constexpr uint32_t kPngMaxValue = 0x7FFFFFFF;
// Compressed image data goes to the inflater in pieces of at most this size.
constexpr uint32_t kFeedPiece = 1024;
constexpr uint32_t kFirstChunkBuffer = 128;
constexpr uint32_t kFirstInputSize = 128;

// Signature, then IHDR as length, type, 13 bytes of data and CRC.
constexpr uint32_t kIhdrBytes = 25;
constexpr uint32_t kHeaderBytes = sizeof kSignature + kIhdrBytes;
static_assert(kHeaderBytes == 33);

struct Adam7Pass {
  uint8_t xStart, yStart, xStep, yStep;
};
constexpr Adam7Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                 {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

uint32_t lBe32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// A chunk's CRC over its type and data (which follow each other at typeAndData).
bool lCrcMatches(const uint8_t* typeAndData, uint32_t dataLength) {
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), typeAndData, dataLength + 4);
  return crc == lBe32(typeAndData + 4 + dataLength);
}

// The IHDR chunk at `chunk` (25 bytes) if its type and CRC are right.
bool lReadIhdr(const uint8_t* chunk, PngHeader* header) {
  if (lBe32(chunk + 4) != kChunkIHDR || !lCrcMatches(chunk + 4, 13))
    return false;
  header->width = lBe32(chunk + 8);
  header->height = lBe32(chunk + 12);
  header->depth = chunk[16];
  header->colourType = chunk[17];
  header->compression = chunk[18];
  header->filter = chunk[19];
  header->interlace = chunk[20];
  return true;
}

bool lDimensionOk(uint32_t v) { return v != 0 && v <= kPngMaxValue; }

uint32_t lCount(uint32_t size, uint32_t start, uint32_t step) {
  return size > start ? static_cast<uint32_t>((uint64_t{size} - start + step - 1) / step) : 0;
}

bool lZlibHeaderOk(uint8_t cmf, uint8_t flg) {
  return (cmf & 0x0F) == 8 && (flg & 0x20) == 0 && (uint32_t{cmf} << 8 | flg) % 31 == 0;
}

}  // namespace

uint32_t PngSource::read(uint8_t* to, uint32_t n) {
  const uint32_t count = std::min(n, remaining());
  std::memcpy(to, data + position, count);
  position += count;
  return count;
}

bool png_probe(const uint8_t* data, uint32_t size, uint32_t* width, uint32_t* height) {
  *width = *height = 0;
  if (data == nullptr || size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0)
    return false;
  PngHeader header;
  if (size >= kHeaderBytes && lReadIhdr(data + sizeof kSignature, &header) &&
      lDimensionOk(header.width) && lDimensionOk(header.height)) {
    *width = header.width;
    *height = header.height;
  }
  return true;
}

PngDecoder* PngDecoder::create(const CodecAllocator& allocator, PngSource* source, PngInflater* inflater,
                               PngPixelSink sink, void* context) {
  void* block = allocator.alloc(sizeof(PngDecoder));
  if (block == nullptr)
    return nullptr;
  auto* d = new (block) PngDecoder();
  d->allocator_ = allocator;
  d->source_ = source;
  d->inflater_ = inflater;
  d->sink_ = sink;
  d->context_ = context;
  return d;
}

void PngDecoder::destroy(PngDecoder* decoder) {
  if (decoder == nullptr)
    return;
  decoder->freeBuffers();
  const CodecAllocator allocator = decoder->allocator_;
  decoder->~PngDecoder();
  allocator.free(decoder);
}

void PngDecoder::freeBuffers() {
  allocator_.free(prior_);
  allocator_.free(current_);
  allocator_.free(chunk_);
  allocator_.free(transparency_.table);
  prior_ = current_ = chunk_ = transparency_.table = nullptr;
  chunkSize_ = 0;
  transparency_.tableLength = 0;
}

bool PngDecoder::readHeader() {
  uint8_t head[kHeaderBytes];
  if (source_->read(head, kHeaderBytes) != kHeaderBytes || std::memcmp(head, kSignature, sizeof kSignature) != 0)
    return false;
  const uint8_t* ihdr = head + sizeof kSignature;
  if (lBe32(ihdr) != 13 || !lReadIhdr(ihdr, &header_))
    return false;
  const PngHeader& h = header_;
  format_ = png_format(h.colourType, h.depth);
  if (!lDimensionOk(h.width) || !lDimensionOk(h.height) || format_ == nullptr || h.compression != 0 ||
      h.filter != 0 || h.interlace > 1)
    return false;

  bitsPerPixel_ = uint32_t{h.depth} * format_->samples;
  pixelBytes_ = (bitsPerPixel_ + 7) / 8;
  rowBytes_ = (uint64_t{h.width} * bitsPerPixel_ + 7) / 8;
  if (h.interlace == 0) {
    passes_[0] = {h.height, h.width, rowBytes_, h.height, 0, 0, 1, 1};
    passCount_ = 1;
    return true;
  }
  uint64_t lastRow = 0;
  for (uint32_t p = 0; p < 7; ++p) {
    const Adam7Pass& a = kAdam7[p];
    Pass& pass = passes_[p];
    pass.columns = lCount(h.width, a.xStart, a.xStep);
    // A pass without columns has no rows either: PNG stores nothing for it.
    pass.rows = pass.columns == 0 ? 0 : lCount(h.height, a.yStart, a.yStep);
    pass.rowBytes = (uint64_t{pass.columns} * bitsPerPixel_ + 7) / 8;
    lastRow += pass.rows;
    pass.lastRow = lastRow;
    pass.xStart = a.xStart;
    pass.yStart = a.yStart;
    pass.xStep = a.xStep;
    pass.yStep = a.yStep;
  }
  passCount_ = 7;
  return true;
}

bool PngDecoder::decode() {
  const bool ok = startRows() && chunkLoop();
  freeBuffers();
  const bool ended = inflater_->end();
  return ok && ended;
}

bool PngDecoder::startRows() {
  // A filtered row that the output buffer can never hold cannot be decoded.
  if (rowBytes_ + 1 > PngInflater::kOutputMax)
    return false;
  prior_ = static_cast<uint8_t*>(allocator_.alloc(rowBytes_));
  current_ = static_cast<uint8_t*>(allocator_.alloc(rowBytes_ + 1));
  if (prior_ == nullptr || current_ == nullptr)
    return false;
  if (!inflater_->start(kFirstInputSize, rowBytes_ + 1))
    return false;
  chunk_ = static_cast<uint8_t*>(allocator_.alloc(kFirstChunkBuffer));
  if (chunk_ == nullptr)
    return false;
  chunkSize_ = kFirstChunkBuffer;
  row_ = 0;
  pass_ = 0;
  return true;
}

bool PngDecoder::chunkLoop() {
  bool endLast = false;
  uint8_t head[8];
  while (source_->read(head, 8) == 8) {
    const uint32_t length = lBe32(head);
    const uint32_t type = lBe32(head + 4);
    endLast = type == kChunkIEND;
    if (type != kChunkIDAT && imageDataChunks_ != 0)
      imageDataRunEnded_ = true;
    // Nothing more of IEND is read: its CRC is what normally remains.
    if (endLast)
      continue;
    if (length > kPngMaxValue || uint64_t{length} + 4 > source_->remaining())
      return false;
    if (type == kChunkIDAT) {
      if (!onImageData(head, length))
        return false;
      continue;
    }
    bool ok = true;
    switch (type) {
      case kChunkPLTE: ok = onPalette(head, length); break;
      case kChunktRNS: ok = onTransparency(head, length); break;
      case kChunkgAMA: ok = onGamma(head, length); break;
      default:
        // Unknown chunks are skipped unread and unchecked, critical or not.
        source_->position += length + 4;
        break;
    }
    if (!ok)
      return false;
  }
  return endLast;
}

bool PngDecoder::readChunk(const uint8_t head[8], uint32_t length) {
  const uint64_t need = uint64_t{length} + 12;
  if (need > chunkSize_) {
    allocator_.free(chunk_);
    chunkSize_ = 0;
    chunk_ = static_cast<uint8_t*>(allocator_.alloc(need));
    if (chunk_ == nullptr)
      return false;
    chunkSize_ = need;
  }
  std::memcpy(chunk_, head, 8);
  if (source_->read(chunk_ + 8, length + 4) != length + 4)
    return false;
  return lCrcMatches(chunk_ + 4, length);
}

bool PngDecoder::onImageData(const uint8_t head[8], uint32_t length) {
  if (imageDataRunEnded_ || !readChunk(head, length))
    return false;
  if (imageDataChunks_++ == 0 && header_.colourType == 3 && paletteChunks_ == 0)
    return false;
  return decompress(chunk_ + 8, length);
}

bool PngDecoder::onPalette(const uint8_t head[8], uint32_t length) {
  if (!readChunk(head, length))
    return false;
  const uint32_t entries = length / 3;
  const uint32_t most = std::min<uint32_t>(256, 1u << header_.depth);
  if (paletteChunks_ != 0 || imageDataChunks_ != 0 || header_.colourType == 0 || header_.colourType == 4 ||
      length % 3 != 0 || entries > most)
    return false;
  std::memcpy(palette_.rgb, chunk_ + 8, length);
  palette_.count = entries;
  ++paletteChunks_;
  return true;
}

bool PngDecoder::onTransparency(const uint8_t head[8], uint32_t length) {
  if (!readChunk(head, length))
    return false;
  const uint8_t type = header_.colourType;
  if (transparencyChunks_ != 0 || imageDataChunks_ != 0 || type == 4 || type == 6 ||
      (type == 3 && paletteChunks_ == 0))
    return false;
  const uint8_t* data = chunk_ + 8;
  PngTransparency& t = transparency_;
  switch (type) {
    case 0:
      if (length != 2)
        return false;
      t.grey = static_cast<uint16_t>(data[0] << 8 | data[1]);
      break;
    case 2:
      if (length != 6)
        return false;
      for (int c = 0; c < 3; ++c)
        t.rgb[c] = static_cast<uint16_t>(data[2 * c] << 8 | data[2 * c + 1]);
      break;
    default:  // 3: an alpha table, possibly shorter than the palette
      // A table longer than the palette is ignored, as libpng does: the
      // image stays opaque.
      if (length > palette_.count) {
        ++transparencyChunks_;
        return true;
      }
      if (length != 0) {
        t.table = static_cast<uint8_t*>(allocator_.alloc(length));
        if (t.table == nullptr)
          return false;
        std::memcpy(t.table, data, length);
        t.tableLength = length;
      }
      break;
  }
  t.present = true;
  ++transparencyChunks_;
  return true;
}

bool PngDecoder::onGamma(const uint8_t head[8], uint32_t length) {
  // The value has no effect on decoding.
  return readChunk(head, length) && length == 4;
}

bool PngDecoder::decompress(const uint8_t* data, uint32_t n) {
  while (n > 0) {
    const uint32_t piece = std::min(n, kFeedPiece);
    // The zlib header is the first two bytes of the image data, whichever
    // chunks hold them.
    if (zlibHeaderBytes_ < 2) {
      const uint32_t wanted = std::min(2 - zlibHeaderBytes_, piece);
      std::memcpy(zlibHeader_ + zlibHeaderBytes_, data, wanted);
      zlibHeaderBytes_ += wanted;
      if (zlibHeaderBytes_ == 2 && !lZlibHeaderOk(zlibHeader_[0], zlibHeader_[1]))
        return false;
    }
    PngInflater::Status status = inflater_->feed(data, piece);
    for (;;) {
      if (status == PngInflater::Status::Fail)
        return false;
      bool tookAny = false;
      if (!takeRows(&tookAny))
        return false;
      if (status == PngInflater::Status::Ok)
        break;
      // Full output with not one complete row in it: it can never be decoded.
      if (!tookAny && pass_ < passCount_)
        return false;
      status = inflater_->resume();
    }
    data += piece;
    n -= piece;
  }
  return true;
}

bool PngDecoder::takeRows(bool* tookAny) {
  for (;;) {
    while (pass_ < passCount_ && row_ >= passes_[pass_].lastRow) {
      ++pass_;
      std::memset(prior_, 0, rowBytes_);
    }
    if (pass_ == passCount_) {
      // Every row is in: further data is ignored.
      inflater_->discard();
      return true;
    }
    const Pass& p = passes_[pass_];
    const auto bytes = static_cast<uint32_t>(p.rowBytes);
    if (!inflater_->take(current_, bytes + 1))
      return true;
    *tookAny = true;
    if (!png_unfilter(current_, prior_, bytes, pixelBytes_))
      return false;
    const uint64_t index = row_ - (p.lastRow - p.rows);
    const PngRow row{current_ + 1,
                     header_.depth,
                     p.columns,
                     static_cast<uint32_t>(p.yStart + p.yStep * index),
                     p.xStart,
                     p.xStep,
                     &palette_,
                     &transparency_,
                     sink_,
                     context_};
    if (!format_->convert(row))
      return false;
    std::memcpy(prior_, current_ + 1, bytes);
    ++row_;
  }
}
