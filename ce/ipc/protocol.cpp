// Frame codec (see protocol.h).
#include "ce/ipc/protocol.h"

#include <utility>

namespace {

uint32_t wordAt(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void putWord(std::vector<uint8_t>* out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out->push_back(static_cast<uint8_t>(value >> shift));
}

void padToWord(std::vector<uint8_t>* out) {
  while (out->size() % 4 != 0)
    out->push_back(0);
}

}  // namespace

Frame& Frame::u32(uint32_t value) {
  fields.push_back({'u', value, {}, {}});
  return *this;
}

Frame& Frame::i64(int64_t value) {
  fields.push_back({'q', static_cast<uint64_t>(value), {}, {}});
  return *this;
}

Frame& Frame::str(std::u16string value) {
  fields.push_back({'s', 0, std::move(value), {}});
  return *this;
}

Frame& Frame::bin(std::vector<uint8_t> value) {
  fields.push_back({'b', 0, {}, std::move(value)});
  return *this;
}

const FrameKindInfo* vsCeIpc_kindInfo(uint32_t kind) {
  if (kind == 0 || kind > kFrameKindCount)
    return nullptr;
  return &kFrameKinds[kind - 1];
}

std::vector<uint8_t> vsCeIpc_encode(const Frame& frame) {
  const FrameKindInfo* info = vsCeIpc_kindInfo(static_cast<uint32_t>(frame.kind));
  if (info == nullptr)
    return {};
  std::vector<uint8_t> out;
  putWord(&out, kFrameMagic);
  putWord(&out, kFrameVersion);
  putWord(&out, static_cast<uint32_t>(frame.kind));
  putWord(&out, frame.requestId);
  putWord(&out, 0);  // length, below
  size_t index = 0;
  for (const char* f = info->fields; *f != 0; ++f, ++index) {
    if (index >= frame.fields.size() || frame.fields[index].type != *f)
      return {};
    const FrameField& field = frame.fields[index];
    switch (*f) {
      case 'u':
        if (field.number > 0xFFFFFFFFu)
          return {};
        putWord(&out, static_cast<uint32_t>(field.number));
        break;
      case 'q':
        putWord(&out, static_cast<uint32_t>(field.number));
        putWord(&out, static_cast<uint32_t>(field.number >> 32));
        break;
      case 's':
        if (field.text.size() > kMaxFrameBytes)
          return {};
        putWord(&out, static_cast<uint32_t>(field.text.size()));
        for (char16_t unit : field.text) {
          out.push_back(static_cast<uint8_t>(unit));
          out.push_back(static_cast<uint8_t>(unit >> 8));
        }
        padToWord(&out);
        break;
      default:  // 'b'
        if (field.bytes.size() > kMaxFrameBytes)
          return {};
        putWord(&out, static_cast<uint32_t>(field.bytes.size()));
        out.insert(out.end(), field.bytes.begin(), field.bytes.end());
        padToWord(&out);
        break;
    }
    if (out.size() > kMaxFrameBytes)
      return {};
  }
  if (index != frame.fields.size())
    return {};
  const auto length = static_cast<uint32_t>(out.size());
  for (int i = 0; i < 4; ++i)
    out[16 + i] = static_cast<uint8_t>(length >> (8 * i));
  return out;
}

bool vsCeIpc_decode(const uint8_t* data, size_t size, Frame* frame, const char** reason) {
  if (size < kFrameHeaderBytes) {
    *reason = "short header";
    return false;
  }
  if (size > kMaxFrameBytes) {
    *reason = "frame too long";
    return false;
  }
  if (wordAt(data) != kFrameMagic) {
    *reason = "bad magic";
    return false;
  }
  if (wordAt(data + 4) != kFrameVersion) {
    *reason = "bad version";
    return false;
  }
  const FrameKindInfo* info = vsCeIpc_kindInfo(wordAt(data + 8));
  if (info == nullptr) {
    *reason = "unknown kind";
    return false;
  }
  if (wordAt(data + 16) != size) {
    *reason = "length disagrees with the datagram";
    return false;
  }
  frame->kind = info->kind;
  frame->requestId = wordAt(data + 12);
  frame->fields.clear();
  size_t at = kFrameHeaderBytes;
  for (const char* f = info->fields; *f != 0; ++f) {
    FrameField field{*f, 0, {}, {}};
    if (size - at < 4) {
      *reason = "field past the frame";
      return false;
    }
    const uint32_t word = wordAt(data + at);
    at += 4;
    if (*f == 'u') {
      field.number = word;
    } else if (*f == 'q') {
      if (size - at < 4) {
        *reason = "field past the frame";
        return false;
      }
      field.number = word | static_cast<uint64_t>(wordAt(data + at)) << 32;
      at += 4;
    } else {
      const uint64_t bytes = *f == 's' ? uint64_t{word} * 2 : word;
      const uint64_t padded = (bytes + 3) / 4 * 4;
      if (padded > size - at) {
        *reason = "string past the frame";
        return false;
      }
      for (uint64_t i = bytes; i < padded; ++i) {
        if (data[at + i] != 0) {
          *reason = "padding not zero";
          return false;
        }
      }
      if (*f == 's') {
        field.text.resize(word);
        for (uint32_t i = 0; i < word; ++i)
          field.text[i] = static_cast<char16_t>(data[at + 2 * i] | data[at + 2 * i + 1] << 8);
      } else {
        field.bytes.assign(data + at, data + at + bytes);
      }
      at += padded;
    }
    frame->fields.push_back(std::move(field));
  }
  if (at != size) {
    *reason = "bytes after the last field";
    return false;
  }
  return true;
}
