// The frame codec: every kind round-trips, the seed corpus holds one valid
// frame of each kind, and hostile datagrams are refused with their reason.
#include "ce/ipc/protocol.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

// A frame of the kind with a sample value in each field.
Frame sampleFrame(const FrameKindInfo& info) {
  Frame f{info.kind, 0x01020304u, {}};
  for (const char* c = info.fields; *c != 0; ++c) {
    switch (*c) {
      case 'u': f.u32(0xFFFFFFFFu); break;
      case 'q': f.i64(INT64_MIN); break;
      case 's': f.str(u"Caf\u00e9 \U0001F600"); break;
      default: f.bin({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}); break;
    }
  }
  return f;
}

std::string firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i])
      return "first difference at byte " + std::to_string(i);
  return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
}

TEST(CeProtocol, EveryKindRoundTrips) {
  for (const FrameKindInfo& info : kFrameKinds) {
    SCOPED_TRACE(info.name);
    const Frame f = sampleFrame(info);
    const std::vector<uint8_t> bytes = vsCeIpc_encode(f);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.size() % 4, 0u);
    Frame back{};
    const char* reason = "";
    ASSERT_TRUE(vsCeIpc_decode(bytes.data(), bytes.size(), &back, &reason)) << reason;
    EXPECT_EQ(back.kind, f.kind);
    EXPECT_EQ(back.requestId, f.requestId);
    ASSERT_EQ(back.fields.size(), f.fields.size());
    for (size_t i = 0; i < f.fields.size(); ++i) {
      EXPECT_EQ(back.fields[i].type, f.fields[i].type) << "field " << i;
      EXPECT_EQ(back.fields[i].number, f.fields[i].number) << "field " << i;
      EXPECT_EQ(back.fields[i].text, f.fields[i].text) << "field " << i;
      EXPECT_EQ(back.fields[i].bytes, f.fields[i].bytes) << "field " << i;
    }
    const std::vector<uint8_t> again = vsCeIpc_encode(back);
    EXPECT_EQ(again, bytes) << firstDifference(again, bytes);
  }
}

TEST(CeProtocol, EncodeRefusesFieldsAgainstTheKind) {
  struct Case {
    const char* name;
    Frame frame;
  };
  const Case cases[] = {
      {"missing field", Frame{FrameKind::ShowWindow, 1, {}}.u32(4)},
      {"extra field", Frame{FrameKind::DestroyWindow, 1, {}}.u32(4).u32(5)},
      {"wrong type", Frame{FrameKind::DestroyWindow, 1, {}}.str(u"x")},
      {"unknown kind", Frame{static_cast<FrameKind>(kFrameKindCount + 1), 1, {}}},
      {"over 64 KiB", Frame{FrameKind::CreateMutex, 1, {}}.str(std::u16string(40000, u'x'))},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(vsCeIpc_encode(c.frame).empty()) << c.name;
}

void putWord(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(CeProtocol, HostileDatagramsAreRefused) {
  const std::vector<uint8_t> title =
      vsCeIpc_encode(Frame{FrameKind::SetWindowText, 9, {}}.u32(0x10000).str(u"abc"));
  ASSERT_EQ(title.size(), 20u + 4 + 4 + 8);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* reason;
  };
  std::vector<Case> cases;
  cases.push_back({"short header", std::vector<uint8_t>(title.begin(), title.begin() + 19), "short header"});
  cases.push_back({"bad magic", title, "bad magic"});
  putWord(&cases.back().bytes, 0, 0x12345678);
  cases.push_back({"bad version", title, "bad version"});
  putWord(&cases.back().bytes, 4, 2);
  cases.push_back({"kind 0", title, "unknown kind"});
  putWord(&cases.back().bytes, 8, 0);
  cases.push_back({"kind past the table", title, "unknown kind"});
  putWord(&cases.back().bytes, 8, kFrameKindCount + 1);
  cases.push_back({"length beyond the datagram", title, "length disagrees with the datagram"});
  putWord(&cases.back().bytes, 16, static_cast<uint32_t>(title.size() + 4));
  cases.push_back({"string past the frame", title, "string past the frame"});
  putWord(&cases.back().bytes, 24, 5);
  cases.push_back({"huge string count", title, "string past the frame"});
  putWord(&cases.back().bytes, 24, 0xFFFFFFFFu);
  cases.push_back({"padding not zero", title, "padding not zero"});
  cases.back().bytes[34] = 1;
  cases.push_back({"bytes after the last field", title, "bytes after the last field"});
  cases.back().bytes.insert(cases.back().bytes.end(), {0, 0, 0, 0});
  putWord(&cases.back().bytes, 16, static_cast<uint32_t>(title.size() + 4));
  cases.push_back({"field past the frame", std::vector<uint8_t>(title.begin(), title.begin() + 24),
                   "field past the frame"});
  putWord(&cases.back().bytes, 16, 24);
  cases.push_back({"70 KiB", std::vector<uint8_t>(70 << 10), "frame too long"});
  for (const Case& c : cases) {
    Frame f{};
    const char* reason = "";
    EXPECT_FALSE(vsCeIpc_decode(c.bytes.data(), c.bytes.size(), &f, &reason)) << c.name;
    EXPECT_STREQ(reason, c.reason) << c.name;
  }
}

TEST(CeProtocol, SeedCorpusHoldsOneValidFrameOfEachKind) {
  DIR* dir = opendir(VS_PROTOCOL_CORPUS);
  ASSERT_NE(dir, nullptr) << VS_PROTOCOL_CORPUS;
  std::set<uint32_t> kinds;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.')
      continue;
    const std::string path = std::string(VS_PROTOCOL_CORPUS) + "/" + entry->d_name;
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr) << path;
    std::vector<uint8_t> bytes(kMaxFrameBytes + 1);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    Frame f{};
    const char* reason = "";
    EXPECT_TRUE(vsCeIpc_decode(bytes.data(), bytes.size(), &f, &reason)) << entry->d_name << ": " << reason;
    EXPECT_EQ(vsCeIpc_encode(f), bytes) << entry->d_name;
    kinds.insert(static_cast<uint32_t>(f.kind));
  }
  closedir(dir);
  EXPECT_EQ(kinds.size(), kFrameKindCount);
}

}  // namespace
