#include "storage/ojmstext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "storage/ojmsfile.h"

namespace {

TEST(OjmsText, AttributeKeysMatchOnlyAtALineStart) {
  const std::string jad =
      "#MIDlet-Name: Commented\n"
      "MIDlet-Permissions-Opt: javax.microedition.io.Connector.sms\r\n"
      "X-MIDlet-Name: Wrong\n"
      "MIDlet-Name: Hello  \t\n"
      "MIDlet-Permissions : javax.microedition.io.Connector.http\n"
      "MIDlet-Vendor:Test\n"
      "MIDlet-Icon:\n"
      "MIDlet-Description: cut";
  struct Case {
    const char* key;
    bool trim;
    int32_t outSize;
    const char* value;  // nullptr: fails
  };
  const Case cases[] = {
      {"MIDlet-Name", true, 64, "Hello"},
      {"MIDlet-Name", false, 64, "Hello  \t"},
      {"MIDlet-Permissions", true, 64, "javax.microedition.io.Connector.http"},
      {"MIDlet-Permissions-Opt", true, 64, "javax.microedition.io.Connector.sms"},
      {"MIDlet-Vendor", true, 64, "Test"},
      {"MIDlet-Vendor", true, 5, "Test"},
      {"MIDlet-Vendor", true, 4, nullptr},
      {"MIDlet-Icon", true, 64, ""},
      {"MIDlet-Description", true, 64, "cut"},
      {"MIDlet", true, 64, nullptr},
      {"MIDlet-Jar-URL", true, 64, nullptr},
      {"", true, 64, nullptr},
  };
  for (const Case& c : cases) {
    char out[64] = "unchanged";
    const int32_t result =
        ojms_getAttribute(jad.c_str(), static_cast<int32_t>(jad.size()), c.key, out, c.outSize, c.trim);
    if (c.value == nullptr) {
      EXPECT_EQ(result, -1) << c.key;
    } else {
      ASSERT_EQ(result, 0) << c.key;
      EXPECT_STREQ(out, c.value) << c.key;
    }
  }
  // The scan stops at the given length.
  char out[64];
  EXPECT_EQ(ojms_getAttribute(jad.c_str(), 30, "MIDlet-Name", out, 64, true), -1);
  EXPECT_EQ(ojms_findKey(jad.c_str(), "MIDlet-Permissions-Opt", static_cast<int32_t>(jad.size())), 24);
}

TEST(OjmsText, SplitsMidletAttributes) {
  struct Case {
    std::string value;
    int32_t result;
    int32_t error;
    const char* name;
    const char* icon;
    const char* className;
  };
  const Case cases[] = {
      {" My Game ,\t/i.png , a.B ", 0, 0, "My Game", "/i.png", "a.B"},
      {"A,,b.C", 0, 0, "A", "", "b.C"},
      {"A, /i.png", -1, 0, nullptr, nullptr, nullptr},
      {std::string(64, 'n') + ",i,c", -1, OJMS_ERR_PARAMETER, nullptr, nullptr, nullptr},
      {std::string(63, 'n') + ",i," + std::string(255, 'c'), 0, 0, nullptr, "i", nullptr},
      {"n,i," + std::string(256, 'c'), -1, OJMS_ERR_PARAMETER, nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    OjmsMidletInfo record{};
    ojms_setLastError(0);
    EXPECT_EQ(_splitMIDletString(c.value.c_str(), &record), c.result) << c.value;
    EXPECT_EQ(ojms_getLastError(), c.error) << c.value;
    if (c.name != nullptr) {
      EXPECT_STREQ(record.name, c.name) << c.value;
    }
    if (c.icon != nullptr) {
      EXPECT_STREQ(record.icon, c.icon) << c.value;
    }
    if (c.className != nullptr) {
      EXPECT_STREQ(record.className, c.className) << c.value;
    }
  }
  EXPECT_EQ(_splitMIDletString(nullptr, nullptr), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_PARAMETER);
}

TEST(OjmsText, ChecksNamesAndEncodings) {
  EXPECT_TRUE(ojms_isAttributeName(""));
  EXPECT_TRUE(ojms_isAttributeName("MIDlet-Jar_URL.x 1"));
  EXPECT_FALSE(ojms_isAttributeName("a:b"));
  EXPECT_FALSE(ojms_isAttributeName("a\tb"));
  EXPECT_FALSE(ojms_isAttributeName(nullptr));
  struct Case {
    const char* text;
    bool utf8;
  };
  const Case cases[] = {
      {"abc", true},       {"\xC3\xA9", true}, {"\xE2\x82\xAC", true}, {"\xF0\x9F\x98\x80", true},
      {"", false},         {"a\tb", false},    {"\x80", false},        {"\xC3", false},
      {"a\xE2\x82", false}, {"\xF0\x9F\x98", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ojms_isUtf8(c.text), c.utf8) << c.text;
  EXPECT_FALSE(ojms_isUtf8(nullptr));
  char out[32];
  ojms_removeBlanks(" a, b\tc ", out);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(ojms_compareNoCase("MIDlet", "midLET-1", 6), 0);
  EXPECT_LT(ojms_compareNoCase("a", "ab", 5), 0);
  EXPECT_GT(ojms_compareNoCase("b", "A", 1), 0);
}

TEST(OjmsText, ParsesUrls) {
  struct Case {
    std::string url;
    int32_t result;
    const char* host;
    uint32_t port;
    const char* path;
  };
  const Case cases[] = {
      {"http://example.com/a.jar", 0, "example.com", 80, "/a.jar"},
      {"HTTPS://h?q", 0, "h", 443, "?q"},
      {"http://h:8080", 0, "h", 8080, ""},
      {"file://h:1/x", 0, "h", 1, "/x"},
      {"http://h:0/", -1, nullptr, 0, nullptr},
      {"http://h:65536/", -1, nullptr, 0, nullptr},
      {"http://h:8x/", -1, nullptr, 0, nullptr},
      {"http:/h", -1, nullptr, 0, nullptr},
      {"noscheme", -1, nullptr, 0, nullptr},
      {"http://" + std::string(64, 'h') + "/", -1, nullptr, 0, nullptr},
      {"http://h/" + std::string(255, 'p'), -1, nullptr, 0, nullptr},
  };
  for (const Case& c : cases) {
    OjmsUrl url{};
    ASSERT_EQ(ojms_parseUrl(c.url.c_str(), static_cast<int32_t>(c.url.size()), &url), c.result) << c.url;
    if (c.result != 0) continue;
    EXPECT_STREQ(url.host, c.host) << c.url;
    EXPECT_EQ(url.port, c.port) << c.url;
    EXPECT_STREQ(url.path, c.path) << c.url;
  }
}

TEST(OjmsText, ConvertsBetweenUtf8AndUtf16) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"a\xC3\xA9\xE2\x82\xAC", u"a\u00E9\u20AC"},
      {"\x80z", u"\u0080z"},
      {"\xC3z", u"\u0080z"},
      {"\xE2\x82z", u"\u0080z"},
      {"\xF0\x9F", u"\u0080\u0080"},
  };
  for (const Case& c : cases) {
    uint16_t out[16];
    const int32_t n = ojms_utf8ToUtf16(reinterpret_cast<const uint8_t*>(c.utf8.data()),
                                       static_cast<int32_t>(c.utf8.size()), out, 16);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(out), static_cast<size_t>(n)), c.utf16) << c.utf8;
  }
  const uint16_t text[] = {'a', 0, 0xE9, 0x20AC};
  uint8_t out[16];
  EXPECT_EQ(ojms_utf16ToUtf8(text, 4, out, 16), 8);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), std::string("a\xC0\x80\xC3\xA9\xE2\x82\xAC"));
  EXPECT_EQ(ojms_utf16Utf8Length(text, 4), 8);
  EXPECT_EQ(ojms_utf16ToUtf8(text, 4, out, 7), 5) << "stops before a character that does not fit";
  EXPECT_EQ(out[5], 0);
  const uint8_t good[] = {'a', 0xC3, 0xA9};
  EXPECT_EQ(ojms_utf8CharCount(good, 3), 2);
  EXPECT_EQ(ojms_utf8Utf16Bytes(good, 3), 4);
  EXPECT_EQ(ojms_utf8CharCount(good, 2), -1);
  const uint8_t bad[] = {0xA9};
  EXPECT_EQ(ojms_utf8CharCount(bad, 1), -1);
}

}  // namespace
