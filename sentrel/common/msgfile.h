// The temporary files that carry everything larger than a request's two
// numbers between SentrelLib and Sentrel, and the message record WapMsg.
//
// A file is "\Temp\NNNNN" (five digits, 00001-65534). Its creator takes the
// lowest free number by creating the file exclusively, so two threads or
// processes never share one; a number taken meanwhile moves on to the next.
// The creator writes and closes it; the reader opens it with deletion, reads
// it and closes it, which deletes it.
//
// Everything in a file is little-endian and written field by field:
//   string  u32 n | n UTF-16 units | u16 0          (a null string: n = 0)
//   record  bytes 0-283 of the WapMsg image below | u32 payload length |
//           payload
// WapMsg's 292-byte image (the WDP unit-data primitive of a 32-bit device):
//
//     0 type   4 layer   8 valid fields   12 source address type
//    16 source address (64 units)   144 source port   148 destination type
//   152 destination address (64 units)   280 destination port
//   284 payload pointer (never in a file)   288 payload length
//
// Readers trust nothing: a count or length beyond the bytes left, or a short
// read, fails the read; addresses read from a file end with a 0 unit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ce/core/windows_types.h"

constexpr uint32_t kWapAddressUnits = 64;

// Offsets of WapMsg's image, one table.
enum WapMsgOffset : uint32_t {
  kWapMsgType = 0,
  kWapMsgLayer = 4,
  kWapMsgValidFields = 8,
  kWapMsgSourceType = 12,
  kWapMsgSourceAddress = 16,
  kWapMsgSourcePort = 144,
  kWapMsgDestinationType = 148,
  kWapMsgDestinationAddress = 152,
  kWapMsgDestinationPort = 280,
  kWapMsgPayloadPointer = 284,
  kWapMsgPayloadLength = 288,
  kWapMsgImageBytes = 292,
};
static_assert(kWapMsgSourcePort == kWapMsgSourceAddress + 2 * kWapAddressUnits, "WapMsg: source address");
static_assert(kWapMsgDestinationPort == kWapMsgDestinationAddress + 2 * kWapAddressUnits,
              "WapMsg: destination");
static_assert(kWapMsgImageBytes == kWapMsgPayloadLength + 4, "WapMsg: 292 bytes");

class SentrelMessageFile {
 public:
  SentrelMessageFile() = default;
  ~SentrelMessageFile() { close(); }
  SentrelMessageFile(const SentrelMessageFile&) = delete;
  SentrelMessageFile& operator=(const SentrelMessageFile&) = delete;

  // Creates the lowest free file for writing: 1, or -17 (number 0).
  int create();
  // Opens file `number` for reading: 1, or -18.
  int open(uint16_t number, bool deleteOnClose);
  // Closes (and, when asked at open, deletes) the file; true when every
  // write reached it. Closing twice is harmless.
  bool close();
  // Closes a file being written and deletes it.
  void discard();

  uint16_t number() const { return number_; }
  bool isOpen() const { return file_ != nullptr; }
  // Bytes a reader has not read yet.
  uint64_t left() const { return left_; }

  // Writes fail silently into a flag that close reports.
  void writeU32(uint32_t value);
  void writeU64(uint64_t value);
  void writeBytes(const void* data, size_t size);
  void writeString(const WCHAR* text, uint32_t units);
  void writeString(const WCHAR* zeroTerminatedOrNull);
  void writeString(const std::u16string& text) {
    writeString(text.data(), static_cast<uint32_t>(text.size()));
  }

  // Reads fail when fewer bytes are left than asked.
  bool readU32(uint32_t& value);
  bool readU64(uint64_t& value);
  bool readBytes(void* data, size_t size);
  bool readString(std::u16string& text);

  // "\Temp\NNNNN".
  static std::u16string path(uint16_t number);

 private:
  HANDLE file_ = nullptr;
  bool deleteOnClose_ = false;
  bool writing_ = false;
  bool failed_ = false;
  uint16_t number_ = 0;
  uint64_t left_ = 0;  // bytes a reader has not read yet
};

// The message record.
struct WapMsg {
  uint32_t type = 0;
  uint32_t layer = 0;
  uint32_t validFields = 0;
  uint32_t sourceType = 0;
  WCHAR sourceAddress[kWapAddressUnits] = {};
  uint32_t sourcePort = 0;
  uint32_t destinationType = 0;
  WCHAR destinationAddress[kWapAddressUnits] = {};
  uint32_t destinationPort = 0;
  std::vector<uint8_t> payload;

  // Creates a file holding the record: its number, or -17.
  int writeToFile() const;
  // Reads the record from an open file; false on a short or malformed file.
  bool readFromFile(SentrelMessageFile& file);
};

// The other bodies. Each writer creates the file and answers its number or
// -17; each reader reads an open file and answers false when it is short.
struct PushRegistrationBody {  // four strings
  std::u16string module, commandLine, filter, other;
};
struct AlarmBody {  // u64 FILETIME, three strings
  uint64_t time = 0;
  std::u16string module, commandLine, other;
};
struct LaunchBody {  // u32 window handle, two strings
  uint32_t window = 0;
  std::u16string module, commandLine;
};

int writePushRegistration(const PushRegistrationBody& body);
bool readPushRegistration(SentrelMessageFile& file, PushRegistrationBody& body);
int writeAlarm(const AlarmBody& body);
bool readAlarm(SentrelMessageFile& file, AlarmBody& body);
int writeLaunch(const LaunchBody& body);
bool readLaunch(SentrelMessageFile& file, LaunchBody& body);
// u32 count, then count strings.
int writeStringList(const std::vector<std::u16string>& items);
bool readStringList(SentrelMessageFile& file, std::vector<std::u16string>& items);
