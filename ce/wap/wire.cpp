// The datagram codec between a device's WAP layer and the SMS centre: one
// table of record kinds and their field rules, one reader, one writer.
#include "ce/wap/wire.h"

#include <iterator>

namespace ce::wap {

namespace {

// What a header field may hold in a kind.
enum class Rule : uint8_t {
  Zero,      // not carried: 0
  Any,       // any 32-bit value
  Port,      // 1-65535
  PortOrNone // 0-65535 (0: the sender named no port)
};

struct KindInfo {
  WireKind kind;
  const char* name;
  Rule sourcePort;
  Rule destinationPort;
  Rule count;
  bool sourceNumber;       // carried (and then required)
  bool destinationNumber;  // carried (and then required)
  bool payload;            // carried (possibly empty)
};

constexpr KindInfo kinds[] = {
    {WireKind::Register, "register", Rule::Port, Rule::Zero, Rule::Zero, true, false, false},
    {WireKind::Withdraw, "withdraw", Rule::Port, Rule::Zero, Rule::Zero, true, false, false},
    {WireKind::Submit, "submit", Rule::PortOrNone, Rule::Port, Rule::Zero, true, true, true},
    {WireKind::Accepted, "accepted", Rule::Zero, Rule::Zero, Rule::Zero, false, false, false},
    {WireKind::Refused, "refused", Rule::Zero, Rule::Zero, Rule::Zero, false, false, false},
    {WireKind::Deliver, "deliver", Rule::PortOrNone, Rule::Port, Rule::Zero, true, false, true},
    {WireKind::DeliverAck, "deliver-ack", Rule::Zero, Rule::Zero, Rule::Zero, false, false, false},
    {WireKind::RejectNext, "reject-next", Rule::Zero, Rule::Zero, Rule::Any, false, false, false},
    {WireKind::Stop, "stop", Rule::Zero, Rule::Zero, Rule::Zero, false, false, false},
};

constexpr bool kindsInOrder() {
  for (size_t i = 0; i < std::size(kinds); ++i)
    if (static_cast<uint32_t>(kinds[i].kind) != i + 1)
      return false;
  return true;
}
static_assert(kindsInOrder(), "wire kind table: entry i describes kind i + 1");
static_assert(static_cast<uint32_t>(WireKind::Stop) == std::size(kinds), "wire kind table: every kind listed");

// Header field offsets, one 32-bit field after another.
enum HeaderField : uint32_t {
  kMagic = 0,
  kVersion = 4,
  kKind = 8,
  kId = 12,
  kSourcePort = 16,
  kDestinationPort = 20,
  kCount = 24,
  kSourceUnits = 28,
  kDestinationUnits = 32,
  kPayloadBytes = 36,
};
static_assert(kPayloadBytes + 4 == kWireHeaderBytes, "wire header: ten 32-bit fields");

const char* const errorTexts[] = {
    "no error", "shorter than a header", "bad magic", "unknown version", "unknown kind",
    "field outside its rule", "bad phone number", "payload too long", "length does not match the parts",
};
static_assert(std::size(errorTexts) == static_cast<size_t>(WireError::Length) + 1,
              "one text per wire error");

const KindInfo* kindInfo(uint32_t kind) {
  if (kind == 0 || kind > std::size(kinds))
    return nullptr;
  return &kinds[kind - 1];
}

bool fieldFits(Rule rule, uint32_t value) {
  switch (rule) {
    case Rule::Zero:
      return value == 0;
    case Rule::Any:
      return true;
    case Rule::Port:
      return value >= 1 && value <= 65535;
    case Rule::PortOrNone:
      return value <= 65535;
  }
  return false;
}

uint32_t readLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void putLe32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<uint8_t>(value >> shift));
}

// Checks the number rule of a kind: carried and well formed, or absent.
bool numberFits(bool carried, const std::u16string& number) {
  return carried ? isWirePhoneNumber(number) : number.empty();
}

WireError checkRecord(const KindInfo& info, const WireRecord& r) {
  if (!fieldFits(info.sourcePort, r.sourcePort) || !fieldFits(info.destinationPort, r.destinationPort) ||
      !fieldFits(info.count, r.count))
    return WireError::Field;
  if (!numberFits(info.sourceNumber, r.sourceNumber) ||
      !numberFits(info.destinationNumber, r.destinationNumber))
    return WireError::Number;
  if (info.payload ? r.payload.size() > kWireMaxPayload : !r.payload.empty())
    return WireError::Payload;
  return WireError::None;
}

}  // namespace

bool isWirePhoneNumber(const std::u16string& number) {
  size_t start = !number.empty() && number[0] == u'+' ? 1 : 0;
  if (number.size() <= start || number.size() > kWireMaxNumberUnits)
    return false;
  for (size_t i = start; i < number.size(); ++i)
    if (number[i] < u'0' || number[i] > u'9')
      return false;
  return true;
}

const char* wireErrorText(WireError error) {
  auto i = static_cast<size_t>(error);
  return i < std::size(errorTexts) ? errorTexts[i] : "unknown error";
}

const char* wireKindName(WireKind kind) {
  const KindInfo* info = kindInfo(static_cast<uint32_t>(kind));
  return info ? info->name : "unknown";
}

WireError decodeWire(const uint8_t* data, size_t size, WireRecord& out) {
  if (size < kWireHeaderBytes)
    return WireError::Short;
  if (readLe32(data + kMagic) != kWireMagic)
    return WireError::Magic;
  if (readLe32(data + kVersion) != kWireVersion)
    return WireError::Version;
  const KindInfo* info = kindInfo(readLe32(data + kKind));
  if (!info)
    return WireError::Kind;
  const uint32_t sourceUnits = readLe32(data + kSourceUnits);
  const uint32_t destinationUnits = readLe32(data + kDestinationUnits);
  const uint32_t payloadBytes = readLe32(data + kPayloadBytes);
  if (sourceUnits > kWireMaxNumberUnits || destinationUnits > kWireMaxNumberUnits)
    return WireError::Number;
  if (payloadBytes > kWireMaxPayload)
    return WireError::Payload;
  // Each part is bounded above, so the sum cannot wrap.
  if (size != static_cast<size_t>(kWireHeaderBytes) + 2 * sourceUnits + 2 * destinationUnits + payloadBytes)
    return WireError::Length;

  out.kind = info->kind;
  out.id = readLe32(data + kId);
  out.sourcePort = readLe32(data + kSourcePort);
  out.destinationPort = readLe32(data + kDestinationPort);
  out.count = readLe32(data + kCount);
  const uint8_t* p = data + kWireHeaderBytes;
  auto readNumber = [&p](uint32_t units, std::u16string& number) {
    number.resize(units);
    for (uint32_t i = 0; i < units; ++i, p += 2)
      number[i] = static_cast<char16_t>(p[0] | p[1] << 8);
  };
  readNumber(sourceUnits, out.sourceNumber);
  readNumber(destinationUnits, out.destinationNumber);
  out.payload.assign(p, p + payloadBytes);
  return checkRecord(*info, out);
}

std::vector<uint8_t> encodeWire(const WireRecord& record, WireError* error) {
  std::vector<uint8_t> out;
  const KindInfo* info = kindInfo(static_cast<uint32_t>(record.kind));
  WireError result = info ? checkRecord(*info, record) : WireError::Kind;
  if (error)
    *error = result;
  if (result != WireError::None)
    return out;
  out.reserve(kWireHeaderBytes + 2 * (record.sourceNumber.size() + record.destinationNumber.size()) +
              record.payload.size());
  putLe32(out, kWireMagic);
  putLe32(out, kWireVersion);
  putLe32(out, static_cast<uint32_t>(record.kind));
  putLe32(out, record.id);
  putLe32(out, record.sourcePort);
  putLe32(out, record.destinationPort);
  putLe32(out, record.count);
  putLe32(out, static_cast<uint32_t>(record.sourceNumber.size()));
  putLe32(out, static_cast<uint32_t>(record.destinationNumber.size()));
  putLe32(out, static_cast<uint32_t>(record.payload.size()));
  for (const std::u16string* number : {&record.sourceNumber, &record.destinationNumber})
    for (char16_t unit : *number) {
      out.push_back(static_cast<uint8_t>(unit));
      out.push_back(static_cast<uint8_t>(unit >> 8));
    }
  out.insert(out.end(), record.payload.begin(), record.payload.end());
  return out;
}

}  // namespace ce::wap
