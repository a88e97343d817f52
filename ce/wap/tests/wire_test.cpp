#include "ce/wap/wire.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using ce::wap::WireError;
using ce::wap::WireKind;
using ce::wap::WireRecord;

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char buf[4];
  for (uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, "%02x", b);
    text += buf;
  }
  return text;
}

WireRecord submit() {
  WireRecord r;
  r.kind = WireKind::Submit;
  r.id = 0x01020304;
  r.sourceNumber = u"+15550002";
  r.sourcePort = 4000;
  r.destinationNumber = u"+15550001";
  r.destinationPort = 5000;
  r.payload = {'h', 'i'};
  return r;
}

void put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(WapWire, SubmitHasTheDocumentedLayout) {
  const std::vector<uint8_t> bytes = ce::wap::encodeWire(submit());
  const std::string expected =
      "56534d53" "01000000" "03000000" "04030201" "a00f0000" "88130000" "00000000"
      "09000000" "09000000" "02000000"
      "2b0031003500350035003000300030003200"
      "2b0031003500350035003000300030003100"
      "6869";
  EXPECT_EQ(hex(bytes), expected);
}

// Every kind, with the fields it carries, decodes to itself and re-encodes to
// the same bytes.
TEST(WapWire, EveryKindRoundTrips) {
  auto make = [](WireKind kind) {
    WireRecord r;
    r.kind = kind;
    r.id = 77;
    return r;
  };
  std::vector<WireRecord> records;
  WireRecord reg = make(WireKind::Register);
  reg.sourceNumber = u"15550001";
  reg.sourcePort = 65535;
  records.push_back(reg);
  WireRecord withdraw = reg;
  withdraw.kind = WireKind::Withdraw;
  withdraw.sourcePort = 1;
  records.push_back(withdraw);
  records.push_back(submit());
  WireRecord noPort = submit();
  noPort.sourcePort = 0;
  noPort.payload.clear();
  records.push_back(noPort);
  WireRecord biggest = submit();
  biggest.sourceNumber = u"+" + std::u16string(62, u'9');
  biggest.destinationNumber = std::u16string(63, u'1');
  biggest.payload.assign(ce::wap::kWireMaxPayload, 0xA5);
  records.push_back(biggest);
  records.push_back(make(WireKind::Accepted));
  records.push_back(make(WireKind::Refused));
  WireRecord deliver = make(WireKind::Deliver);
  deliver.sourceNumber = u"+15550002";
  deliver.sourcePort = 4000;
  deliver.destinationPort = 5000;
  deliver.payload = {0, 1, 2};
  records.push_back(deliver);
  records.push_back(make(WireKind::DeliverAck));
  WireRecord reject = make(WireKind::RejectNext);
  reject.count = 3;
  records.push_back(reject);
  records.push_back(make(WireKind::Stop));

  for (const WireRecord& r : records) {
    SCOPED_TRACE(ce::wap::wireKindName(r.kind));
    WireError error = WireError::Length;
    const std::vector<uint8_t> bytes = ce::wap::encodeWire(r, &error);
    ASSERT_EQ(error, WireError::None);
    WireRecord back;
    ASSERT_EQ(ce::wap::decodeWire(bytes.data(), bytes.size(), back), WireError::None);
    EXPECT_EQ(back.kind, r.kind);
    EXPECT_EQ(back.id, r.id);
    EXPECT_EQ(back.sourcePort, r.sourcePort);
    EXPECT_EQ(back.destinationPort, r.destinationPort);
    EXPECT_EQ(back.count, r.count);
    EXPECT_TRUE(back.sourceNumber == r.sourceNumber);
    EXPECT_TRUE(back.destinationNumber == r.destinationNumber);
    EXPECT_EQ(back.payload, r.payload);
    EXPECT_EQ(ce::wap::encodeWire(back), bytes);
  }
  EXPECT_LE(ce::wap::encodeWire(biggest).size(), ce::wap::kWireMaxDatagram);
}

// Records the encoder refuses, each with the reason.
TEST(WapWire, EncoderRefusesWhatTheDecoderWouldRefuse) {
  struct Case {
    const char* name;
    void (*change)(WireRecord&);
    WireError error;
  };
  const Case cases[] = {
      {"unknown kind", [](WireRecord& r) { r.kind = static_cast<WireKind>(10); }, WireError::Kind},
      {"destination port 0", [](WireRecord& r) { r.destinationPort = 0; }, WireError::Field},
      {"source port 65536", [](WireRecord& r) { r.sourcePort = 65536; }, WireError::Field},
      {"count in a submit", [](WireRecord& r) { r.count = 1; }, WireError::Field},
      {"empty source number", [](WireRecord& r) { r.sourceNumber.clear(); }, WireError::Number},
      {"plus alone", [](WireRecord& r) { r.destinationNumber = u"+"; }, WireError::Number},
      {"letter in number", [](WireRecord& r) { r.destinationNumber = u"+1555A"; }, WireError::Number},
      {"64 digits", [](WireRecord& r) { r.sourceNumber = std::u16string(64, u'5'); }, WireError::Number},
      {"payload 60001", [](WireRecord& r) { r.payload.assign(60001, 0); }, WireError::Payload},
      {"number in an ack",
       [](WireRecord& r) {
         r = WireRecord();
         r.kind = WireKind::Accepted;
         r.sourceNumber = u"1";
       },
       WireError::Number},
      {"payload in a stop",
       [](WireRecord& r) {
         r = WireRecord();
         r.kind = WireKind::Stop;
         r.payload = {1};
       },
       WireError::Payload},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WireRecord r = submit();
    c.change(r);
    WireError error = WireError::None;
    EXPECT_TRUE(ce::wap::encodeWire(r, &error).empty());
    EXPECT_EQ(error, c.error);
  }
}

// Hostile datagrams, each made from a valid submission, and the reason each
// is dropped.
TEST(WapWire, HostileDatagramsAreRefused) {
  const std::vector<uint8_t> good = ce::wap::encodeWire(submit());
  struct Case {
    const char* name;
    void (*change)(std::vector<uint8_t>&);
    WireError error;
  };
  const Case cases[] = {
      {"empty", [](std::vector<uint8_t>& b) { b.clear(); }, WireError::Short},
      {"39 bytes", [](std::vector<uint8_t>& b) { b.resize(39); }, WireError::Short},
      {"bad magic", [](std::vector<uint8_t>& b) { b[0] ^= 1; }, WireError::Magic},
      {"version 0", [](std::vector<uint8_t>& b) { put32(b, 4, 0); }, WireError::Version},
      {"version 2", [](std::vector<uint8_t>& b) { put32(b, 4, 2); }, WireError::Version},
      {"kind 0", [](std::vector<uint8_t>& b) { put32(b, 8, 0); }, WireError::Kind},
      {"kind 10", [](std::vector<uint8_t>& b) { put32(b, 8, 10); }, WireError::Kind},
      {"kind 0xFFFFFFFF", [](std::vector<uint8_t>& b) { put32(b, 8, 0xFFFFFFFFu); }, WireError::Kind},
      {"source units 0xFFFFFFFF", [](std::vector<uint8_t>& b) { put32(b, 28, 0xFFFFFFFFu); }, WireError::Number},
      {"destination units 64", [](std::vector<uint8_t>& b) { put32(b, 32, 64); }, WireError::Number},
      {"payload 0xFFFFFFFF", [](std::vector<uint8_t>& b) { put32(b, 36, 0xFFFFFFFFu); }, WireError::Payload},
      {"payload 60001", [](std::vector<uint8_t>& b) { put32(b, 36, 60001); }, WireError::Payload},
      {"payload past the end", [](std::vector<uint8_t>& b) { put32(b, 36, 3); }, WireError::Length},
      {"number past the end", [](std::vector<uint8_t>& b) { put32(b, 32, 11); }, WireError::Length},
      {"trailing byte", [](std::vector<uint8_t>& b) { b.push_back(0); }, WireError::Length},
      {"one byte cut", [](std::vector<uint8_t>& b) { b.pop_back(); }, WireError::Length},
      {"header only", [](std::vector<uint8_t>& b) { b.resize(40); }, WireError::Length},
      {"destination port 0", [](std::vector<uint8_t>& b) { put32(b, 20, 0); }, WireError::Field},
      {"destination port 65536", [](std::vector<uint8_t>& b) { put32(b, 20, 65536); }, WireError::Field},
      {"source port 0x10000", [](std::vector<uint8_t>& b) { put32(b, 16, 0x10000); }, WireError::Field},
      {"count set", [](std::vector<uint8_t>& b) { put32(b, 24, 1); }, WireError::Field},
      {"NUL in number", [](std::vector<uint8_t>& b) { b[42] = 0; }, WireError::Number},
      {"high byte in number", [](std::vector<uint8_t>& b) { b[43] = 1; }, WireError::Number},
      {"plus inside number", [](std::vector<uint8_t>& b) { b[44] = '+'; }, WireError::Number},
      {"ack with a payload",
       [](std::vector<uint8_t>& b) {
         put32(b, 8, static_cast<uint32_t>(WireKind::Accepted));
         put32(b, 16, 0);
         put32(b, 20, 0);
         put32(b, 28, 0);
         put32(b, 32, 0);
         b.resize(40 + 2);
       },
       WireError::Payload},
      {"register with a destination number",
       [](std::vector<uint8_t>& b) {
         put32(b, 8, static_cast<uint32_t>(WireKind::Register));
         put32(b, 20, 0);
         put32(b, 36, 0);
         b.resize(b.size() - 2);
       },
       WireError::Number},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = good;
    c.change(bytes);
    WireRecord out;
    EXPECT_EQ(ce::wap::decodeWire(bytes.data(), bytes.size(), out), c.error)
        << ce::wap::wireErrorText(ce::wap::decodeWire(bytes.data(), bytes.size(), out));
  }
}

}  // namespace
