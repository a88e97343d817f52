// Any input through the signer check and the certificate calls. Byte 0
// chooses: 0 a framed JAD and JAR (install_seeds.h) through
// ojms_checkSigner, the test signer stored in "MY"; otherwise the rest as
// DER through CertCreateCertificateContext, CertNameToStrW and
// CryptDecodeObject (and the key it decodes through CryptImportKey).
#include <cstring>
#include <string>
#include <vector>

#include "ce/crypt/wincrypt.h"
#include "ce/testing/devroot.h"
#include "storage/signer.h"
#include "storage/tests/install_seeds.h"
#include "tests/support/fuzz_main.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

void name(const CERT_NAME_BLOB& blob) {
  const DWORD chars =
      CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG, nullptr, 0);
  check(chars >= 1);
  std::vector<WCHAR> text(chars);
  check(CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, text.data(), chars) <= chars);
}

void decode(const char* type, const BYTE* data, DWORD size) {
  DWORD needed = 0;
  if (!CryptDecodeObject(X509_ASN_ENCODING, type, data, size, 0, nullptr, &needed)) return;
  std::vector<BYTE> out(needed);
  check(CryptDecodeObject(X509_ASN_ENCODING, type, data, size, 0, out.data(), &needed));
  if (type != RSA_CSP_PUBLICKEYBLOB) return;
  HCRYPTPROV provider = 0;
  HCRYPTKEY key = 0;
  check(CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  if (CryptImportKey(provider, out.data(), needed, 0, 0, &key)) CryptDestroyKey(key);
  CryptReleaseContext(provider, 0);
}

void body(const uint8_t* data, size_t size) {
  static CeDeviceRoot* root = [] {
    auto* r = new CeDeviceRoot;
    const std::string der = vsInstallSeeds_signer();
    vsCertStore_add("MY", reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()));
    return r;
  }();
  check(!root->path().empty());
  if (size < 1) return;
  if (data[0] == 0) {
    if (size < 3) return;
    const size_t jadSize = std::min(static_cast<size_t>(data[1] | data[2] << 8), size - 3);
    // Separate blocks, so a read past either end is caught.
    const std::string jad(reinterpret_cast<const char*>(data + 3), jadSize);
    const std::vector<uint8_t> jar(data + 3 + jadSize, data + size);
    int32_t domain = -1;
    int32_t status = 0;
    if (ojms_checkSigner(jad.data(), static_cast<int32_t>(jad.size()), jar.data(),
                         static_cast<int32_t>(jar.size()), &domain, &status) == 0)
      check(domain >= 0 && domain <= 255);
    else
      check(status == 909 || status == 256);
    return;
  }
  const std::vector<BYTE> der(data + 1, data + size);
  decode(X509_PUBLIC_KEY_INFO, der.data(), static_cast<DWORD>(der.size()));
  decode(RSA_CSP_PUBLICKEYBLOB, der.data(), static_cast<DWORD>(der.size()));
  PCCERT_CONTEXT certificate =
      CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
  if (certificate == nullptr) return;
  name(certificate->pCertInfo->Subject);
  name(certificate->pCertInfo->Issuer);
  const CRYPT_BIT_STRING_BLOB& bits = certificate->pCertInfo->SubjectPublicKeyInfo.PublicKey;
  decode(RSA_CSP_PUBLICKEYBLOB, bits.pbData, bits.cbData);
  CertVerifyTimeValidity(nullptr, certificate->pCertInfo);
  check(CertFreeCertificateContext(certificate));
}

}  // namespace

VS_FUZZ_TARGET(body)
