#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ce/crypt/wincrypt.h"
#include "ce/testing/devroot.h"
#include "ce/testing/testcert.h"

namespace {

const std::vector<std::pair<std::string, std::string>> kSigner = {
    {"C", "XX"}, {"O", "Vostel"}, {"OU", "Test"}, {"CN", "Vostel Test Signer"}};

PCCERT_CONTEXT create(const std::string& der) {
  return CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                      static_cast<DWORD>(der.size()));
}

std::string bytes(const CRYPT_INTEGER_BLOB& blob) {
  return std::string(reinterpret_cast<const char*>(blob.pbData), blob.cbData);
}

std::string nameText(const CERT_NAME_BLOB& name) {
  const DWORD type = CERT_X500_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG;
  const DWORD needed = CertNameToStrW(X509_ASN_ENCODING, &name, type, nullptr, 0);
  std::u16string text(needed, u'\0');
  EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &name, type, text.data(), needed), needed);
  text.pop_back();
  return std::string(text.begin(), text.end());
}

TEST(CeCrypt, SerialNumberLeastSignificantByteFirst) {
  struct Case {
    int64_t serial;
    std::string expected;
  };
  const Case cases[] = {
      {1, std::string("\x01", 1)},
      {0x0102030405, std::string("\x05\x04\x03\x02\x01", 5)},
      {0x80, std::string("\x80\x00", 2)},  // the sign byte stays
  };
  for (const Case& c : cases) {
    VsTestCertSpec spec;
    spec.subject = kSigner;
    spec.serial = c.serial;
    PCCERT_CONTEXT context = create(vsTestCert_make(spec));
    ASSERT_NE(context, nullptr) << c.serial;
    EXPECT_EQ(bytes(context->pCertInfo->SerialNumber), c.expected) << c.serial;
    EXPECT_TRUE(CertFreeCertificateContext(context));
  }
}

TEST(CeCrypt, NameToStringKeysOrderAndQuoting) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> subject;
    std::string expected;
  };
  const Case cases[] = {
      {{{"C", "XX"},
        {"O", "Vostel"},
        {"OU", "Test"},
        {"CN", "Vostel, Signer"},
        {"L", "Town"},
        {"ST", "Shire"}},
       "C=XX; O=Vostel; OU=Test; CN=\"Vostel, Signer\"; L=Town; S=Shire"},
      {{{"CN", "say \"hi\""}, {"emailAddress", "a@b.c"}}, "CN=\"say \"\"hi\"\"\"; E=a@b.c"},
      {{{"CN", " padded"}, {"O", "x;y"}}, "CN=\" padded\"; O=\"x;y\""},
  };
  for (const Case& c : cases) {
    VsTestCertSpec spec;
    spec.subject = c.subject;
    PCCERT_CONTEXT context = create(vsTestCert_make(spec));
    ASSERT_NE(context, nullptr) << c.expected;
    EXPECT_EQ(nameText(context->pCertInfo->Subject), c.expected);
    // A buffer too small: cut, terminated, the characters written.
    WCHAR small[5];
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &context->pCertInfo->Subject, CERT_X500_NAME_STR, small, 5),
              5u);
    EXPECT_EQ(small[4], 0);
    CertFreeCertificateContext(context);
  }
  const BYTE junk[] = {0x30, 0x05, 0x01};
  const CERT_NAME_BLOB bad = {sizeof junk, const_cast<BYTE*>(junk)};
  EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &bad, CERT_X500_NAME_STR, nullptr, 0), 1u);
}

TEST(CeCrypt, HostileCertificatesRefused) {
  VsTestCertSpec spec;
  spec.subject = kSigner;
  const std::string good = vsTestCert_make(spec);
  const std::string cases[] = {"", std::string("\x30\x00", 2), good.substr(0, good.size() - 1), good + "x",
                               std::string(200, '\xFF')};
  for (const std::string& der : cases) {
    EXPECT_EQ(create(der), nullptr) << der.size();
  }
  EXPECT_EQ(CertCreateCertificateContext(X509_ASN_ENCODING, nullptr, 10), nullptr);
  EXPECT_FALSE(CertFreeCertificateContext(reinterpret_cast<PCCERT_CONTEXT>(&spec)));
}

TEST(CeCrypt, TimeValidity) {
  VsTestCertSpec spec;
  spec.subject = kSigner;
  spec.notBefore = 1600000000;
  spec.notAfter = 1700000000;
  PCCERT_CONTEXT context = create(vsTestCert_make(spec));
  ASSERT_NE(context, nullptr);
  struct Case {
    int64_t unixSeconds;
    LONG expected;
  };
  const Case cases[] = {{1599999999, -1}, {1600000000, 0}, {1650000000, 0}, {1700000000, 0}, {1700000001, 1}};
  for (const Case& c : cases) {
    const uint64_t ticks = static_cast<uint64_t>(c.unixSeconds) * 10000000ULL + 116444736000000000ULL;
    const FILETIME at = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    EXPECT_EQ(CertVerifyTimeValidity(&at, context->pCertInfo), c.expected) << c.unixSeconds;
  }
  EXPECT_EQ(CertVerifyTimeValidity(nullptr, context->pCertInfo), 1);  // now is past 2023
  CertFreeCertificateContext(context);
}

TEST(CeCrypt, StoresFindByIssuerAndSerial) {
  CeDeviceRoot root;
  VsTestCertSpec signer;
  signer.subject = kSigner;
  signer.serial = 7;
  VsTestCertSpec other = signer;
  other.serial = 8;
  VsTestCertSpec otherIssuer = signer;
  otherIssuer.issuer = {{"CN", "Someone Else"}};
  const std::string signerDer = vsTestCert_make(signer);
  ASSERT_EQ(vsCertStore_add("MY", reinterpret_cast<const BYTE*>(signerDer.data()),
                            static_cast<DWORD>(signerDer.size())),
            ERROR_SUCCESS);
  const std::string otherDer = vsTestCert_make(other);
  ASSERT_EQ(vsCertStore_add("ROOT", reinterpret_cast<const BYTE*>(otherDer.data()),
                            static_cast<DWORD>(otherDer.size())),
            ERROR_SUCCESS);
  EXPECT_EQ(vsCertStore_add("CA", reinterpret_cast<const BYTE*>(otherDer.data()),
                            static_cast<DWORD>(otherDer.size())),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(vsCertStore_add("MY", reinterpret_cast<const BYTE*>("junk"), 4), ERROR_INVALID_PARAMETER);

  struct Case {
    const char16_t* store;
    const VsTestCertSpec* wanted;
    bool found;
  };
  const Case cases[] = {
      {u"PERSONAL", &signer, true}, {u"MY", &signer, true},       {u"ROOT", &signer, false},
      {u"ROOT", &other, true},      {u"MY", &otherIssuer, false}, {u"MY", &other, false},
  };
  for (const Case& c : cases) {
    HCERTSTORE store = CertOpenSystemStoreW(0, c.store);
    ASSERT_NE(store, nullptr);
    PCCERT_CONTEXT wanted = create(vsTestCert_make(*c.wanted));
    ASSERT_NE(wanted, nullptr);
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_CERT,
                                                      wanted->pCertInfo, nullptr);
    const std::string label = std::string(c.store, c.store + std::char_traits<char16_t>::length(c.store)) +
                              " serial " + std::to_string(c.wanted->serial);
    EXPECT_EQ(found != nullptr, c.found) << label;
    if (found != nullptr) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(found->pbCertEncoded), found->cbCertEncoded),
                std::string(reinterpret_cast<const char*>(wanted->pbCertEncoded), wanted->cbCertEncoded))
          << label;
      // Searching on from the find: no second match.
      EXPECT_EQ(CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_CERT,
                                           wanted->pCertInfo, found),
                nullptr);
    } else {
      EXPECT_EQ(GetLastError(), CRYPT_E_NOT_FOUND) << label;
    }
    CertFreeCertificateContext(wanted);
    EXPECT_TRUE(CertCloseStore(store, 0));
  }
  EXPECT_EQ(CertOpenSystemStoreW(0, u"CA"), nullptr);
  EXPECT_FALSE(CertCloseStore(reinterpret_cast<HCERTSTORE>(&signer), 0));
}

// The RSA blob of a certificate's key, by both decodings.
std::vector<BYTE> publicKeyBlob(PCCERT_CONTEXT context) {
  const CRYPT_BIT_STRING_BLOB& bits = context->pCertInfo->SubjectPublicKeyInfo.PublicKey;
  DWORD size = 0;
  EXPECT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, bits.pbData, bits.cbData, 0,
                                nullptr, &size));
  std::vector<BYTE> blob(size);
  DWORD small = size - 1;
  EXPECT_FALSE(CryptDecodeObject(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, bits.pbData, bits.cbData, 0,
                                 blob.data(), &small));
  EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
  EXPECT_EQ(small, size);
  EXPECT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, bits.pbData, bits.cbData, 0,
                                blob.data(), &size));
  return blob;
}

TEST(CeCrypt, PublicKeyDecodings) {
  VsTestCertSpec spec;
  spec.subject = kSigner;
  PCCERT_CONTEXT context = create(vsTestCert_make(spec));
  ASSERT_NE(context, nullptr);
  EXPECT_STREQ(context->pCertInfo->SubjectPublicKeyInfo.Algorithm.pszObjId, "1.2.840.113549.1.1.1");
  const std::vector<BYTE> blob = publicKeyBlob(context);
  ASSERT_EQ(blob.size(), 8u + 12u + 128u);
  BLOBHEADER header;
  RSAPUBKEY rsa;
  std::memcpy(&header, blob.data(), 8);
  std::memcpy(&rsa, blob.data() + 8, 12);
  EXPECT_EQ(header.bType, PUBLICKEYBLOB);
  EXPECT_EQ(header.aiKeyAlg, CALG_RSA_KEYX);
  EXPECT_EQ(rsa.magic, kRsa1Magic);
  EXPECT_EQ(rsa.bitlen, 1024u);
  EXPECT_EQ(rsa.pubexp, 65537u);
  EXPECT_NE(blob.back(), 0);  // the modulus' top byte comes last

  // The whole SubjectPublicKeyInfo, cut out of the certificate's DER.
  const std::string der(reinterpret_cast<const char*>(context->pbCertEncoded), context->cbCertEncoded);
  const std::string key = bytes({context->pCertInfo->SubjectPublicKeyInfo.PublicKey.cbData,
                                 context->pCertInfo->SubjectPublicKeyInfo.PublicKey.pbData});
  const size_t keyAt = der.find(key);
  ASSERT_NE(keyAt, std::string::npos);
  // SEQUENCE (3-byte header) { SEQUENCE { OID, NULL } (15 bytes), BIT STRING
  // (3-byte header, 1 unused-bits byte) }
  const size_t infoAt = keyAt - 1 - 3 - 15 - 3;
  ASSERT_EQ(static_cast<unsigned char>(der[infoAt]), 0x30);
  const std::string info = der.substr(infoAt, keyAt + key.size() - infoAt);
  DWORD size = 0;
  ASSERT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO,
                                reinterpret_cast<const BYTE*>(info.data()), static_cast<DWORD>(info.size()),
                                0, nullptr, &size));
  std::vector<BYTE> decoded(size);
  ASSERT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO,
                                reinterpret_cast<const BYTE*>(info.data()), static_cast<DWORD>(info.size()),
                                0, decoded.data(), &size));
  const auto* publicKey = reinterpret_cast<const CERT_PUBLIC_KEY_INFO*>(decoded.data());
  EXPECT_STREQ(publicKey->Algorithm.pszObjId, "1.2.840.113549.1.1.1");
  EXPECT_EQ(bytes({publicKey->PublicKey.cbData, publicKey->PublicKey.pbData}), key);

  const BYTE junk[] = {0x30, 0x03, 0x02, 0x01, 0x05};
  for (const char* type : {RSA_CSP_PUBLICKEYBLOB, X509_PUBLIC_KEY_INFO}) {
    size = 0;
    EXPECT_FALSE(CryptDecodeObject(X509_ASN_ENCODING, type, junk, sizeof junk, 0, nullptr, &size));
  }
  CertFreeCertificateContext(context);
}

TEST(CeCrypt, VerifySignatureTakesLeastSignificantByteFirst) {
  VsTestCertSpec spec;
  spec.subject = kSigner;
  PCCERT_CONTEXT context = create(vsTestCert_make(spec));
  ASSERT_NE(context, nullptr);
  const std::vector<BYTE> blob = publicKeyBlob(context);
  const std::string data = "the archive's bytes";
  const std::string signature = vsTestCert_sign(0, data);
  std::string reversed = signature;
  std::reverse(reversed.begin(), reversed.end());
  std::string flipped = reversed;
  flipped[5] ^= 1;

  HCRYPTPROV provider = 0;
  ASSERT_TRUE(CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  HCRYPTKEY key = 0;
  ASSERT_TRUE(CryptImportKey(provider, blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &key));
  struct Case {
    const char* label;
    std::string hashed;
    std::string signature;
    BOOL expected;
  };
  const Case cases[] = {
      {"reversed OpenSSL signature", data, reversed, TRUE},
      {"signature as OpenSSL writes it", data, signature, FALSE},
      {"tampered data", data + "!", reversed, FALSE},
      {"tampered signature", data, flipped, FALSE},
  };
  for (const Case& c : cases) {
    HCRYPTHASH hash = 0;
    ASSERT_TRUE(CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash)) << c.label;
    // Hashed in two pieces: the hash runs over calls.
    const size_t half = c.hashed.size() / 2;
    ASSERT_TRUE(
        CryptHashData(hash, reinterpret_cast<const BYTE*>(c.hashed.data()), static_cast<DWORD>(half), 0));
    ASSERT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>(c.hashed.data()) + half,
                              static_cast<DWORD>(c.hashed.size() - half), 0));
    SetLastError(0);
    EXPECT_EQ(CryptVerifySignatureW(hash, reinterpret_cast<const BYTE*>(c.signature.data()),
                                    static_cast<DWORD>(c.signature.size()), key, nullptr, 0),
              c.expected)
        << c.label;
    if (!c.expected) {
      EXPECT_EQ(GetLastError(), NTE_BAD_SIGNATURE) << c.label;
    }
    EXPECT_TRUE(CryptDestroyHash(hash));
  }
  EXPECT_FALSE(CryptDestroyHash(12345));
  EXPECT_TRUE(CryptDestroyKey(key));
  EXPECT_FALSE(CryptDestroyKey(key));
  EXPECT_TRUE(CryptReleaseContext(provider, 0));
  CertFreeCertificateContext(context);
}

TEST(CeCrypt, ProviderArgumentsChecked) {
  HCRYPTPROV provider = 0;
  EXPECT_FALSE(CryptAcquireContextW(&provider, nullptr, nullptr, 24, CRYPT_VERIFYCONTEXT));
  EXPECT_EQ(GetLastError(), NTE_BAD_PROV_TYPE);
  EXPECT_FALSE(CryptAcquireContextW(&provider, u"box", nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  ASSERT_TRUE(CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  HCRYPTHASH hash = 0;
  EXPECT_FALSE(CryptCreateHash(provider, 0x8003, 0, 0, &hash));
  EXPECT_EQ(GetLastError(), NTE_BAD_ALGID);
  EXPECT_FALSE(CryptCreateHash(provider + 1, CALG_SHA1, 0, 0, &hash));
  HCRYPTKEY key = 0;
  const BYTE shortBlob[12] = {PUBLICKEYBLOB, CUR_BLOB_VERSION};
  EXPECT_FALSE(CryptImportKey(provider, shortBlob, sizeof shortBlob, 0, 0, &key));
  BYTE header[20 + 4] = {PUBLICKEYBLOB, CUR_BLOB_VERSION, 0, 0, 0x00, 0xA4, 0, 0, 'R', 'S', 'A', '1', 0, 1};
  EXPECT_FALSE(
      CryptImportKey(provider, header, sizeof header, 0, 0, &key));  // 256-bit modulus, 4 bytes given
  EXPECT_EQ(GetLastError(), NTE_BAD_TYPE);
  EXPECT_FALSE(CryptHashData(0, nullptr, 0, 0));
  EXPECT_FALSE(CryptVerifySignatureW(0, reinterpret_cast<const BYTE*>("x"), 1, 0, nullptr, 0));
  EXPECT_TRUE(CryptReleaseContext(provider, 0));
  EXPECT_FALSE(CryptReleaseContext(provider, 0));
}

}  // namespace
