// The JAD and manifest parser: line breaks, continuations, UTF-8, the key
// rule, key classes and repeated keys, in both modes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vm/services/descriptor/descriptor_env.h"
#include "vm/services/descriptor/descriptor_parser.h"
#include "vm/services/descriptor/tests/test_env.h"

namespace {

constexpr int32_t J = kVsParseJad;
constexpr int32_t M = kVsParseManifest;

struct Parsed {
  int32_t code;
  std::vector<std::string> attributes;  // "key=value#index"
};

Parsed parse(const std::string& text, int32_t mode) {
  TestEnv env;
  LowCopy copy(text);
  Parsed p{99, {}};
  OamsEnv* e = vsDescriptor_env(env.handle());
  OamsAttribute* head = vsDescriptor_parse(e, copy.text(), copy.size(), mode, &p.code);
  for (OamsAttribute* a = head; a != nullptr; a = a->next.get())
    p.attributes.push_back(std::string(a->key.get(), a->keyLength) + "=" +
                           std::string(a->value.get(), a->valueLength) + "#" +
                           std::to_string(a->keyIndex));
  vsDescriptor_freeAttributes(e, head);
  return p;
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& x : v) s += "[" + x + "]";
  return s;
}

const std::string kLongValue = std::string(52, 'x');  // 20-byte key part + 52 = 72 bytes

struct Case {
  const char* name;
  int32_t mode;
  std::string text;
  int32_t code;
  std::vector<std::string> attributes;
};

const std::vector<Case>& cases() {
  static const std::vector<Case> table = {
      {"continuation after 72 bytes", M,
       "MIDlet-Description: " + kLongValue + "\r\n more: text\r\n", kOamsOk,
       {"MIDlet-Description=" + kLongValue + "more: text#7"}},
      {"no continuation in a JAD", J, "MIDlet-Description: " + kLongValue + "\r\n more: text\r\n",
       kOamsMalformed, {}},
      {"continuation after LF and CR alone", M, "A: 1\n 2\r 3\nB: x", kOamsOk,
       {"A=123#-1", "B=x#-1"}},
      {"a blank after an empty line is a character", M, "A: 1\n\n B: 2", kOamsMalformed, {}},
      {"CR-only lines in a JAD", J, "MIDlet-Name: A\rMIDlet-Vendor: B\r", kOamsMalformed, {}},
      {"CR-only lines in a manifest", M, "MIDlet-Name: A\rMIDlet-Vendor: B\r", kOamsOk,
       {"MIDlet-Name=A#2", "MIDlet-Vendor=B#4"}},
      {"CR CR LF in a JAD", J, "A: 1\r\r\nB: 2\r", kOamsOk, {"A=1#-1", "B=2#-1"}},
      {"blank before the colon", J, "MIDlet-Name : A\n", kOamsMalformed, {}},
      {"blank before the colon (manifest)", M, "MIDlet-Name : A\n", kOamsMalformed, {}},
      {"no blank after the colon", J, "MIDlet-Name:A", kOamsOk, {"MIDlet-Name=A#2"}},
      {"blanks around the value", J, "MIDlet-Name: \t  A b \t  \n", kOamsOk,
       {"MIDlet-Name=A b#2"}},
      {"empty value", J, "MIDlet-Name:\n", kOamsOk, {"MIDlet-Name=#2"}},
      {"value with colons", J, "MIDlet-Jar-URL: http://h:80/a.jar", kOamsOk,
       {"MIDlet-Jar-URL=http://h:80/a.jar#0"}},
      {"repeated key keeps its place", J, "A: 1\nB: 2\nA: 3\n", kOamsOk, {"A=3#-1", "B=2#-1"}},
      {"MIDlet-n keys", J, "MIDlet-1: a\nMIDlet-01: b\nMIDlet-+1: c\nMIDlet-Push-3: d\n", kOamsOk,
       {"MIDlet-1=a#1000", "MIDlet-01=b#1000", "MIDlet-+1=c#1000", "MIDlet-Push-3=d#1001"}},
      {"not MIDlet-n keys", J,
       "MIDlet-: a\nMIDlet-0: b\nMIDlet-x: c\nMIDlet-Push-0: d\nMIDlet--1: e\nmidlet-1: f\n",
       kOamsOk,
       {"MIDlet-=a#-1", "MIDlet-0=b#-1", "MIDlet-x=c#-1", "MIDlet-Push-0=d#-1",
        "MIDlet--1=e#-1", "midlet-1=f#-1"}},
      {"standard keys match by case", J, "MIDlet-name: a\nMIDlet-Jar-RSA-SHA1: b\n", kOamsOk,
       {"MIDlet-name=a#-1", "MIDlet-Jar-RSA-SHA1=b#16"}},
      {"byte-order mark", J, "\xEF\xBB\xBFMIDlet-Name: A", kOamsOk, {"MIDlet-Name=A#2"}},
      {"byte-order mark alone", J, "\xEF\xBB\xBF", kOamsOk, {}},
      {"0xF0 in a value", J, "MIDlet-Name: A\xF0\x9F\x98\x80", kOamsMalformed, {}},
      {"0xF0 in a manifest", M, "A: 1\n\xF0", kOamsMalformed, {}},
      {"stray continuation byte", J, "A: \x80", kOamsMalformed, {}},
      {"bad continuation byte", J, "A: \xC3\x41", kOamsMalformed, {}},
      {"sequence cut off by the end", J, "A: \xE3\x81", kOamsMalformed, {}},
      {"two and three byte sequences", J, "A: \xC3\xA9\xE3\x81\x82", kOamsOk,
       {"A=\xC3\xA9\xE3\x81\x82#-1"}},
      {"break inside a sequence (manifest)", M, "A: \xE3\x81\r\n \x82\nB: 1", kOamsOk,
       {"A=\xE3\x81\x82#-1", "B=1#-1"}},
      {"break inside a sequence (JAD)", J, "A: \xE3\x81\r\n \x82", kOamsMalformed, {}},
      {"break at the end of a sequence", M, "A: \xE3\r\n", kOamsMalformed, {}},
      {"line starting with a multi-byte key", J, "MIDlet-Name: Foo\n\xE3\x82\xAD\xE3\x83\xBC: v\n",
       kOamsOk, {"MIDlet-Name=Foo#2", "\xE3\x82\xAD\xE3\x83\xBC=v#-1"}},
      {"line starting with a multi-byte key (manifest)", M,
       "MIDlet-Name: Foo\r\n\xC3\xA9: v\r\n", kOamsOk, {"MIDlet-Name=Foo#2", "\xC3\xA9=v#-1"}},
      {"line starting with a multi-byte byte without colon", J, "A: 1\n\xC3\xA9\n",
       kOamsMalformed, {}},
      {"control character", J, "A: 1\x01", kOamsMalformed, {}},
      {"DEL", J, "A: \x7F", kOamsMalformed, {}},
      {"NUL", M, std::string("A: 1\0", 5), kOamsMalformed, {}},
      {"tab in a value", J, "A: a\tb", kOamsOk, {"A=a\tb#-1"}},
      {"no colon", J, "MIDlet-Name\n", kOamsMalformed, {}},
      {"empty key", J, ": value\n", kOamsMalformed, {}},
      {"forbidden key bytes", J, "a/b: c\n", kOamsMalformed, {}},
      {"forbidden key byte @", J, "a@b: c\n", kOamsMalformed, {}},
      {"forbidden key byte tab", J, "a\tb: c\n", kOamsMalformed, {}},
      {"allowed key bytes", J, "a\\b|c~!#$%&*+-.^_`: d\n", kOamsOk,
       {"a\\b|c~!#$%&*+-.^_`=d#-1"}},
      {"only line breaks", M, "\r\n\n\r", kOamsOk, {}},
      {"leading empty lines", J, "\n\nA: 1", kOamsOk, {"A=1#-1"}},
  };
  return table;
}

TEST(DescriptorParser, Cases) {
  for (const Case& c : cases()) {
    const Parsed p = parse(c.text, c.mode);
    EXPECT_EQ(p.code, c.code) << c.name;
    EXPECT_EQ(joined(p.attributes), joined(c.attributes)) << c.name;
  }
}

// Every key of the standard table gets its row.
TEST(DescriptorParser, StandardKeys) {
  std::string text;
  for (const VsStandardKeyRow& row : kVsStandardKeys) text += std::string(row.key) + ": v\n";
  const Parsed p = parse(text, J);
  ASSERT_EQ(p.code, kOamsOk);
  ASSERT_EQ(p.attributes.size(), static_cast<size_t>(kVsStandardKeyCount));
  for (int32_t i = 0; i < kVsStandardKeyCount; ++i)
    EXPECT_EQ(p.attributes[i], std::string(kVsStandardKeys[i].key) + "=v#" + std::to_string(i));
}

// No memory for the n-th node: -1, and the nodes before it are released.
TEST(DescriptorParser, NoMemoryReleasesNodes) {
  for (int32_t allowed = 0; allowed < 3; ++allowed) {
    TestEnv env;
    LowCopy copy(std::string("A: 1\nB: 2\nC: 3\n"));
    TestEnv::allowAllocations(allowed);
    int32_t code = 0;
    EXPECT_EQ(vsDescriptor_parse(vsDescriptor_env(env.handle()), copy.text(), copy.size(), J, &code),
              nullptr);
    EXPECT_EQ(code, kOamsNoMemory) << allowed << " allocations allowed";
    EXPECT_EQ(TestEnv::live(), 1) << "only the environment record is left";
  }
}

}  // namespace
