// The datagram codec between a device's WAP layer and the SMS centre.
//
// Every datagram is one record: a fixed header of ten little-endian 32-bit
// fields, then the variable parts in this order, with nothing after them:
//
//   0 magic "VSMS"   4 version (1)   8 kind   12 id
//  16 source port   20 destination port   24 count
//  28 source number units   32 destination number units   36 payload bytes
//  40 source number (UTF-16LE) | destination number (UTF-16LE) | payload
//
// One table (wireKinds) says, for each kind, which fields it carries; a field
// a kind does not carry is 0 on the wire. Decoding accepts only records the
// encoder writes: right magic and version, a known kind, every field within
// its rule, numbers of '+' (optional) and 1-63 digits, a payload of at most
// 60,000 bytes, and a datagram length equal to the sum of the parts. So every
// accepted datagram re-encodes to the same bytes. Both sides (the device's
// WAP layer and `smsc`) use this codec and nothing else for the wire.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ce::wap {

enum class WireKind : uint32_t {
  Register = 1,    // device → centre: (source number, source port) is here
  Withdraw = 2,    // device → centre: that pair is gone
  Submit = 3,      // sender → centre: a datagram for (destination number, port)
  Accepted = 4,    // centre → sender: the request `id` is taken
  Refused = 5,     // centre → sender: the request `id` is refused
  Deliver = 6,     // centre → device: a datagram from (source number, port)
  DeliverAck = 7,  // device → centre: delivery `id` arrived
  RejectNext = 8,  // control → centre: refuse the next `count` submissions
  Stop = 9,        // control → centre: end the centre
};

constexpr uint32_t kWireMagic = 0x534D5356u;  // "VSMS" little-endian
constexpr uint32_t kWireVersion = 1;
constexpr uint32_t kWireHeaderBytes = 40;
constexpr uint32_t kWireMaxNumberUnits = 63;
constexpr uint32_t kWireMaxPayload = 60000;
constexpr uint32_t kWireMaxDatagram =
    kWireHeaderBytes + 2 * 2 * kWireMaxNumberUnits + kWireMaxPayload;

// A decoded record. Fields the kind does not carry are 0 or empty.
struct WireRecord {
  WireKind kind = WireKind::Register;
  uint32_t id = 0;
  uint32_t sourcePort = 0;
  uint32_t destinationPort = 0;
  uint32_t count = 0;
  std::u16string sourceNumber;
  std::u16string destinationNumber;
  std::vector<uint8_t> payload;
};

// Why a datagram was not accepted; the texts go to the logs.
enum class WireError : uint32_t {
  None = 0,
  Short,
  Magic,
  Version,
  Kind,
  Field,
  Number,
  Payload,
  Length,
};

const char* wireErrorText(WireError error);
const char* wireKindName(WireKind kind);

// Decodes `size` bytes; on failure `out` is unspecified.
WireError decodeWire(const uint8_t* data, size_t size, WireRecord& out);

// Encodes a record; fails (empty result, `error` set) on a record that
// decoding would not accept.
std::vector<uint8_t> encodeWire(const WireRecord& record, WireError* error = nullptr);

// Whether `number` is a phone number as the wire carries it.
bool isWirePhoneNumber(const std::u16string& number);

}  // namespace ce::wap
