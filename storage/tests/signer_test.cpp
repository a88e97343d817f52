#include "storage/signer.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "ce/testing/devroot.h"
#include "ce/testing/testcert.h"
#include "storage/tests/install_seeds.h"

namespace {

using Name = std::vector<std::pair<std::string, std::string>>;
const Name kSigner = {{"C", "XX"}, {"O", "Vostel"}, {"OU", "Test"}, {"CN", "Vostel Test Signer"}};

std::string jadText(const std::string& certificate, const std::string& signature) {
  std::string text = "MIDlet-Name: Signed\r\nMIDlet-Version: 1.0\r\n";
  if (!certificate.empty()) text += "MIDlet-Certificate-1-1: " + vsInstallSeeds_base64(certificate) + "\r\n";
  if (!signature.empty()) text += "MIDlet-Jar-RSA-SHA1: " + vsInstallSeeds_base64(signature) + "\r\n";
  return text + "MIDlet-Vendor: Vostel\r\n";
}

void store(const char* name, const std::string& der) {
  ASSERT_EQ(vsCertStore_add(name, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size())),
            0u);
}

TEST(Signer, DomainsAndFailures) {
  const std::string jar = "PK\x03\x04 an archive's bytes, stored entries and all";
  const time_t now = time(nullptr);
  VsTestCertSpec signer;
  signer.subject = kSigner;
  signer.serial = 0x1234;
  VsTestCertSpec forged = signer;  // the stored one's issuer and serial, its own key
  forged.subjectKey = forged.signingKey = 1;
  VsTestCertSpec expired = signer;
  expired.serial = 2;
  expired.notBefore = now - 20 * 86400;
  expired.notAfter = now - 10 * 86400;
  VsTestCertSpec notYet = signer;
  notYet.serial = 3;
  notYet.notBefore = now + 10 * 86400;
  notYet.notAfter = now + 20 * 86400;
  VsTestCertSpec stranger = signer;
  stranger.serial = 4;
  stranger.subject = {{"C", "XX"}, {"O", "Vostel"}, {"CN", "Someone Else"}};
  VsTestCertSpec fourValues = signer;  // a domain 0 entry with two empty values
  fourValues.serial = 5;
  fourValues.subject = {
      {"C", "FI"}, {"O", "Sample Operator"}, {"OU", "Sample Unit"}, {"CN", "Sample Untrusted Signer A"}};
  VsTestCertSpec sevenValues = signer;
  sevenValues.serial = 6;
  sevenValues.subject = {{"C", "XX"}, {"O", "Vostel"}, {"OU", "Test"}, {"CN", "Vostel Test Signer"},
                         {"L", "x"},  {"ST", "y"},     {"street", "z"}};
  VsTestCertSpec cut = signer;  // the signer's values, a seventh one beyond them
  cut.serial = 7;
  cut.subject = {{"C", "XX"},
                 {"O", "Vostel"},
                 {"OU", "Test"},
                 {"CN", "Vostel Test Signer"},
                 {"L", std::string(64, 'a')}};

  VsTestCertSpec unrelated;  // every root store holds one other certificate
  unrelated.subject = {{"CN", "Unrelated"}};
  unrelated.serial = 99;

  struct Case {
    const char* label;
    const VsTestCertSpec* certificate;  // null: no certificate attribute
    const char* storeName;              // null: not stored
    int signingKey;                     // -1: no signature attribute
    bool tamper;
    int32_t result;
    int32_t domain;
    int32_t status;
  };
  const Case cases[] = {
      {"unsigned", nullptr, nullptr, -1, false, 0, 0, 0},
      {"certificate without signature", &signer, "MY", -1, false, 0, 0, 0},
      {"signer in MY", &signer, "MY", 0, false, 0, 1, 0},
      {"signer in ROOT", &signer, "ROOT", 0, false, 0, 1, 0},
      {"signer not stored", &signer, nullptr, 0, false, -1, 0, 909},
      {"jar changed", &signer, "MY", 0, true, -1, 0, 909},
      {"signed by another key", &signer, "MY", 1, false, -1, 0, 909},
      {"forged issuer and serial", &forged, nullptr, 1, false, -1, 0, 909},
      {"expired", &expired, "MY", 0, false, -1, 0, 909},
      {"not yet valid", &notYet, "ROOT", 0, false, -1, 0, 909},
      {"subject not in _dn.idx", &stranger, "MY", 0, false, -1, 0, 909},
      {"four values match a six-value entry", &fourValues, "MY", 0, false, 0, 0, 0},
      {"seven values", &sevenValues, "MY", 0, false, -1, 0, 909},
      {"value over 63 bytes", &cut, "MY", 0, false, -1, 0, 909},
  };
  for (const Case& c : cases) {
    CeDeviceRoot root;
    store("ROOT", vsTestCert_make(unrelated));
    if (c.storeName != nullptr) store(c.storeName, vsTestCert_make(*c.certificate));
    // The forged certificate's genuine twin is what the store holds.
    if (c.certificate == &forged) store("MY", vsTestCert_make(signer));
    const std::string certificate = c.certificate == nullptr ? "" : vsTestCert_make(*c.certificate);
    const std::string signature = c.signingKey < 0 ? "" : vsTestCert_sign(c.signingKey, jar);
    std::string signedJar = jar;
    if (c.tamper) signedJar[20] ^= 1;
    const std::string jad = jadText(certificate, signature);
    int32_t domain = -1;
    int32_t status = 0;
    EXPECT_EQ(ojms_checkSigner(jad.data(), static_cast<int32_t>(jad.size()),
                               reinterpret_cast<const uint8_t*>(signedJar.data()),
                               static_cast<int32_t>(signedJar.size()), &domain, &status),
              c.result)
        << c.label;
    EXPECT_EQ(c.result == 0 ? domain : status, c.result == 0 ? c.domain : c.status) << c.label;
  }
}

TEST(Signer, PlatformFailuresAre256) {
  CeDeviceRoot root;
  const std::string jad = "MIDlet-Certificate-1-1: AAAA\nMIDlet-Jar-RSA-SHA1: AAAA\n";
  int32_t domain = -1;
  int32_t status = 0;
  EXPECT_EQ(ojms_checkSigner(jad.data(), static_cast<int32_t>(jad.size()), nullptr, 0, &domain, &status), -1);
  EXPECT_EQ(status, 256);
}

TEST(Signer, SubjectWrittenAndAttributesReadAtLineStarts) {
  CeDeviceRoot root;
  VsTestCertSpec signer;
  signer.subject = kSigner;
  const std::string der = vsTestCert_make(signer);
  store("MY", der);
  const std::string jar = "bytes";
  // The attribute's name inside another line's value does not count.
  const std::string jad = "X: MIDlet-Jar-RSA-SHA1: AAAA\n" + jadText(der, vsTestCert_sign(0, jar));
  struct Case {
    int32_t size;
    std::string expected;
  };
  const std::string full = "C=XX; O=Vostel; OU=Test; CN=Vostel Test Signer";
  const Case cases[] = {{200, full}, {11, full.substr(0, 10)}};
  for (const Case& c : cases) {
    std::string subject(static_cast<size_t>(c.size), '\x7f');
    EXPECT_EQ(ojms_verifyJarSignature(jad.data(), static_cast<int32_t>(jad.size()),
                                      reinterpret_cast<const uint8_t*>(jar.data()),
                                      static_cast<int32_t>(jar.size()), subject.data(), c.size),
              1)
        << c.size;
    EXPECT_EQ(std::string(subject.c_str()), c.expected) << c.size;
  }
  const std::string text = "MIDlet-Permissions-Opt: a\nMIDlet-Permissions:  b, c \n";
  EXPECT_EQ(getJadAttributeValue(text.data(), static_cast<int32_t>(text.size()), "MIDlet-Permissions"),
            "b, c");
  EXPECT_EQ(getJadAttributeValue(text.data(), static_cast<int32_t>(text.size()), "MIDlet-Icon"), "");
}

}  // namespace
