// Message files and message records (see msgfile.h).
#include "sentrel/common/msgfile.h"

#include "ce/base/crt_printf.h"
#include "ce/base/lasterror.h"
#include "ce/fs/dirops.h"
#include "ce/fs/file.h"
#include "sentrel/common/errors.h"

namespace {

constexpr uint32_t kHighestNumber = 65534;
constexpr uint32_t kRecordHeadBytes = kWapMsgPayloadPointer;  // what precedes the length in a file

void put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t get32(const uint8_t* at) {
  return at[0] | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

void putAddress(uint8_t* at, const WCHAR* address) {
  for (uint32_t i = 0; i < kWapAddressUnits; ++i) {
    at[2 * i] = static_cast<uint8_t>(address[i]);
    at[2 * i + 1] = static_cast<uint8_t>(address[i] >> 8);
  }
}

void getAddress(const uint8_t* at, WCHAR* address) {
  for (uint32_t i = 0; i < kWapAddressUnits; ++i)
    address[i] = static_cast<WCHAR>(at[2 * i] | at[2 * i + 1] << 8);
  address[kWapAddressUnits - 1] = 0;
}

// Creates a file, lets `write` fill it and closes it: its number, or -17
// (the partial file deleted).
template <typename Write>
int lWriteFile(Write write) {
  SentrelMessageFile file;
  if (file.create() != 1) return SentrelError_TempFileStreamCannotGenerate;
  write(file);
  const uint16_t number = file.number();
  if (!file.close()) {
    DeleteFileW(SentrelMessageFile::path(number).c_str());
    return SentrelError_TempFileStreamCannotGenerate;
  }
  return number;
}

}  // namespace

std::u16string SentrelMessageFile::path(uint16_t number) {
  WCHAR text[16];
  _snwprintf(text, 16, u"\\Temp\\%05u", static_cast<unsigned>(number));
  return text;
}

int SentrelMessageFile::create() {
  close();
  deleteOnClose_ = false;
  for (uint32_t n = 1; n <= kHighestNumber; ++n) {
    const std::u16string name = path(static_cast<uint16_t>(n));
    if (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    HANDLE file =
        CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      file_ = file;
      number_ = static_cast<uint16_t>(n);
      writing_ = true;
      failed_ = false;
      return 1;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
      break;  // taken meanwhile: go on; anything else: no file can be made
  }
  number_ = 0;
  return SentrelError_TempFileStreamCannotGenerate;
}

int SentrelMessageFile::open(uint16_t number, bool deleteOnClose) {
  close();
  number_ = number;
  deleteOnClose_ = deleteOnClose;
  HANDLE file = CreateFileW(path(number).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return SentrelError_TempFileStreamCannotOpen;
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != 0) {
    CloseHandle(file);
    return SentrelError_TempFileStreamCannotOpen;
  }
  file_ = file;
  writing_ = false;
  failed_ = false;
  left_ = uint64_t{high} << 32 | low;
  return 1;
}

bool SentrelMessageFile::close() {
  if (file_ == nullptr) return true;
  if (writing_ && !FlushFileBuffers(file_)) failed_ = true;
  if (!CloseHandle(file_)) failed_ = true;
  file_ = nullptr;
  if (deleteOnClose_) DeleteFileW(path(number_).c_str());
  return !failed_;
}

void SentrelMessageFile::discard() {
  const bool wasWriting = file_ != nullptr && writing_;
  close();
  if (wasWriting) DeleteFileW(path(number_).c_str());
}

void SentrelMessageFile::writeBytes(const void* data, size_t size) {
  DWORD written = 0;
  if (file_ == nullptr || !writing_ || size > 0xFFFFFFFFu ||
      (size > 0 && (!WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) || written != size)))
    failed_ = true;
}

void SentrelMessageFile::writeU32(uint32_t value) {
  uint8_t bytes[4];
  put32(bytes, value);
  writeBytes(bytes, 4);
}

void SentrelMessageFile::writeU64(uint64_t value) {
  writeU32(static_cast<uint32_t>(value));
  writeU32(static_cast<uint32_t>(value >> 32));
}

void SentrelMessageFile::writeString(const WCHAR* text, uint32_t units) {
  if (text == nullptr) units = 0;
  writeU32(units);
  std::vector<uint8_t> bytes(2 * (size_t{units} + 1), 0);
  for (uint32_t i = 0; i < units; ++i) {
    bytes[2 * i] = static_cast<uint8_t>(text[i]);
    bytes[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
  }
  writeBytes(bytes.data(), bytes.size());
}

void SentrelMessageFile::writeString(const WCHAR* zeroTerminatedOrNull) {
  uint32_t units = 0;
  if (zeroTerminatedOrNull != nullptr)
    while (zeroTerminatedOrNull[units] != 0) ++units;
  writeString(zeroTerminatedOrNull, units);
}

bool SentrelMessageFile::readBytes(void* data, size_t size) {
  if (file_ == nullptr || writing_ || size > left_) return false;
  DWORD read = 0;
  if (size > 0 && (!ReadFile(file_, data, static_cast<DWORD>(size), &read, nullptr) || read != size)) {
    left_ = 0;
    return false;
  }
  left_ -= size;
  return true;
}

bool SentrelMessageFile::readU32(uint32_t& value) {
  uint8_t bytes[4];
  if (!readBytes(bytes, 4)) return false;
  value = get32(bytes);
  return true;
}

bool SentrelMessageFile::readU64(uint64_t& value) {
  uint32_t low = 0, high = 0;
  if (!readU32(low) || !readU32(high)) return false;
  value = uint64_t{high} << 32 | low;
  return true;
}

bool SentrelMessageFile::readString(std::u16string& text) {
  uint32_t units = 0;
  if (!readU32(units)) return false;
  const uint64_t bytes = 2 * (uint64_t{units} + 1);
  if (bytes > left_) return false;
  std::vector<uint8_t> raw(static_cast<size_t>(bytes));
  if (!readBytes(raw.data(), raw.size())) return false;
  text.resize(units);
  for (uint32_t i = 0; i < units; ++i) text[i] = static_cast<WCHAR>(raw[2 * i] | raw[2 * i + 1] << 8);
  return true;
}

int WapMsg::writeToFile() const {
  return lWriteFile([this](SentrelMessageFile& file) {
    uint8_t head[kRecordHeadBytes + 4] = {};
    put32(head + kWapMsgType, type);
    put32(head + kWapMsgLayer, layer);
    put32(head + kWapMsgValidFields, validFields);
    put32(head + kWapMsgSourceType, sourceType);
    putAddress(head + kWapMsgSourceAddress, sourceAddress);
    put32(head + kWapMsgSourcePort, sourcePort);
    put32(head + kWapMsgDestinationType, destinationType);
    putAddress(head + kWapMsgDestinationAddress, destinationAddress);
    put32(head + kWapMsgDestinationPort, destinationPort);
    put32(head + kRecordHeadBytes, static_cast<uint32_t>(payload.size()));
    file.writeBytes(head, sizeof head);
    file.writeBytes(payload.data(), payload.size());
  });
}

bool WapMsg::readFromFile(SentrelMessageFile& file) {
  payload.clear();
  uint8_t head[kRecordHeadBytes + 4];
  if (!file.readBytes(head, sizeof head)) return false;
  type = get32(head + kWapMsgType);
  layer = get32(head + kWapMsgLayer);
  validFields = get32(head + kWapMsgValidFields);
  sourceType = get32(head + kWapMsgSourceType);
  getAddress(head + kWapMsgSourceAddress, sourceAddress);
  sourcePort = get32(head + kWapMsgSourcePort);
  destinationType = get32(head + kWapMsgDestinationType);
  getAddress(head + kWapMsgDestinationAddress, destinationAddress);
  destinationPort = get32(head + kWapMsgDestinationPort);
  const uint32_t length = get32(head + kRecordHeadBytes);
  if (length > file.left()) return false;  // checked before anything that large is allocated
  payload.resize(length);
  if (!file.readBytes(payload.data(), length)) {
    payload.clear();
    return false;
  }
  return true;
}

int writePushRegistration(const PushRegistrationBody& body) {
  return lWriteFile([&body](SentrelMessageFile& file) {
    for (const std::u16string* text : {&body.module, &body.commandLine, &body.filter, &body.other})
      file.writeString(*text);
  });
}

bool readPushRegistration(SentrelMessageFile& file, PushRegistrationBody& body) {
  return file.readString(body.module) && file.readString(body.commandLine) && file.readString(body.filter) &&
         file.readString(body.other);
}

int writeAlarm(const AlarmBody& body) {
  return lWriteFile([&body](SentrelMessageFile& file) {
    file.writeU64(body.time);
    for (const std::u16string* text : {&body.module, &body.commandLine, &body.other}) file.writeString(*text);
  });
}

bool readAlarm(SentrelMessageFile& file, AlarmBody& body) {
  return file.readU64(body.time) && file.readString(body.module) && file.readString(body.commandLine) &&
         file.readString(body.other);
}

int writeLaunch(const LaunchBody& body) {
  return lWriteFile([&body](SentrelMessageFile& file) {
    file.writeU32(body.window);
    file.writeString(body.module);
    file.writeString(body.commandLine);
  });
}

bool readLaunch(SentrelMessageFile& file, LaunchBody& body) {
  return file.readU32(body.window) && file.readString(body.module) && file.readString(body.commandLine);
}

int writeStringList(const std::vector<std::u16string>& items) {
  return lWriteFile([&items](SentrelMessageFile& file) {
    file.writeU32(static_cast<uint32_t>(items.size()));
    for (const std::u16string& item : items) file.writeString(item);
  });
}

bool readStringList(SentrelMessageFile& file, std::vector<std::u16string>& items) {
  uint32_t count = 0;
  items.clear();
  if (!file.readU32(count) || uint64_t{count} * 6 > file.left())  // a string takes at least 6 bytes
    return false;
  items.resize(count);
  for (std::u16string& item : items)
    if (!file.readString(item)) return false;
  return true;
}
