// JAR signature verification and the signer's domain (see signer.h).
#include "storage/signer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ce/base/codepage.h"
#include "port/support/base64.h"
#include "storage/ojmstext.h"
#include "storage/policy.h"
#include "storage/trace.h"

namespace {

constexpr int32_t kStatusAuthentication = 909;
constexpr int32_t kStatusOther = 256;
// Room for six components of up to 63 bytes, quoted, with their keys.
constexpr int32_t kSubjectBytes = 1024;

// The base64 value of an attribute, decoded; empty when absent or bad.
void lDecoded(const char* jad, int32_t length, const char* name, cByteBuf* out) {
  const std::string text = getJadAttributeValue(jad, length, name);
  uint32_t size = 0;
  base64_decode(text.data(), static_cast<uint32_t>(text.size()), nullptr, &size);
  if (size == 0 || out->Assign(size, nullptr) == nullptr) return;
  if (base64_decode(text.data(), static_cast<uint32_t>(text.size()), out->data, &size) != 1) out->Free();
}

// The component values of "K=v; K=\"q\"\"x\" + K=w" in order, quotes removed.
bool lSplitSubject(const std::string& text, std::vector<std::string>* values) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t equals = text.find('=', at);
    if (equals == std::string::npos) return false;
    at = equals + 1;
    std::string value;
    if (at < text.size() && text[at] == '"') {
      for (++at;; ++at) {
        if (at >= text.size()) return false;
        if (text[at] == '"') {
          if (at + 1 < text.size() && text[at + 1] == '"') {
            value += '"';
            ++at;
            continue;
          }
          ++at;
          break;
        }
        value += text[at];
      }
    } else {
      const size_t end = std::min(text.find_first_of(";+", at), text.size());
      value = text.substr(at, end - at);
      while (!value.empty() && value.back() == ' ') value.pop_back();
      at = end;
    }
    values->push_back(value);
    while (at < text.size() && (text[at] == ' ' || text[at] == ';' || text[at] == '+')) ++at;
  }
  return true;
}

// The domain of the first "_dn.idx" entry whose values are the subject's; -1.
int32_t lDomainOf(const std::string& subject) {
  std::vector<std::string> values;
  if (!lSplitSubject(subject, &values) || values.size() > kOjmsDnValues) return -1;
  for (const std::string& value : values)
    if (value.size() >= kOjmsDnValueBytes) return -1;
  values.resize(kOjmsDnValues);
  const OjmsPolicyFile dn = ojms_getDnFile();
  if (dn.data == nullptr || dn.size < kOjmsDnEntriesAt) return -1;
  const uint32_t count = dn.data[kOjmsDnEntriesAt - 1];
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = kOjmsDnEntriesAt + i * kOjmsDnEntryBytes;
    if (at + kOjmsDnEntryBytes > dn.size) return -1;
    bool equal = true;
    for (uint32_t k = 0; k < kOjmsDnValues && equal; ++k) {
      const char* slot = reinterpret_cast<const char*>(dn.data + at + 1 + k * kOjmsDnValueBytes);
      equal = strnlen(slot, kOjmsDnValueBytes) == values[k].size() &&
              std::memcmp(slot, values[k].data(), values[k].size()) == 0;
    }
    if (equal) return dn.data[at];
  }
  return -1;
}

}  // namespace

std::string getJadAttributeValue(const char* text, int32_t length, const char* name) {
  if (text == nullptr || name == nullptr || length <= 0) return {};
  std::vector<char> value(static_cast<size_t>(length) + 1);
  if (ojms_getAttribute(text, length, name, value.data(), length + 1, true) != 0) return {};
  return value.data();
}

int32_t ojms_isCertInStore(const WCHAR* store, PCCERT_CONTEXT certificate) {
  HCERTSTORE handle = CertOpenSystemStoreW(0, store);
  if (handle == nullptr) {
    TRACE_REPORT(kTraceLevelError, "CertOpenSystemStore() failed.\n");
    return 0;
  }
  int32_t trusted = 0;
  PCCERT_CONTEXT found = CertFindCertificateInStore(handle, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                                    CERT_FIND_SUBJECT_CERT, certificate->pCertInfo, nullptr);
  if (found == nullptr) {
    TRACE_REPORT(kTraceLevelError, "CertFindCertificateInStore() failed.\n");
  } else if (found->cbCertEncoded != certificate->cbCertEncoded ||
             std::memcmp(found->pbCertEncoded, certificate->pbCertEncoded, found->cbCertEncoded) != 0) {
    TRACE_REPORT(kTraceLevelError, "Certificate differs from the stored one");
  } else {
    const LONG validity = CertVerifyTimeValidity(nullptr, found->pCertInfo);
    if (validity > 0)
      TRACE_REPORT(kTraceLevelError, "Certificate is expired");
    else if (validity < 0)
      TRACE_REPORT(kTraceLevelError, "Certificate is not valid yet.");
    else
      trusted = 1;
  }
  CertFreeCertificateContext(found);
  CertCloseStore(handle, 0);
  return trusted;
}

std::string ojms_certSubjectText(const CERT_NAME_BLOB* name) {
  const DWORD type = CERT_X500_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG;
  const DWORD chars = CertNameToStrW(X509_ASN_ENCODING, name, type, nullptr, 0);
  std::u16string wide(chars, u'\0');
  CertNameToStrW(X509_ASN_ENCODING, name, type, wide.data(), chars);
  const int units = static_cast<int>(chars) - 1;
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), units, text.data(), bytes, nullptr, nullptr);
  return text;
}

int32_t ojms_decodePublicKey(PCCERT_CONTEXT certificate, cByteBuf* out) {
  const CRYPT_BIT_STRING_BLOB& bits = certificate->pCertInfo->SubjectPublicKeyInfo.PublicKey;
  DWORD size = 0;
  if (!CryptDecodeObject(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, bits.pbData, bits.cbData, 0, nullptr,
                         &size) ||
      out->Assign(size, nullptr) == nullptr ||
      !CryptDecodeObject(X509_ASN_ENCODING, RSA_CSP_PUBLICKEYBLOB, bits.pbData, bits.cbData, 0, out->data,
                         &size)) {
    TRACE_REPORT(kTraceLevelError, "CryptDecodeObject() failed.\n");
    out->Free();
    return -1;
  }
  return 0;
}

int32_t ojms_createSha1Hash(HCRYPTPROV provider, HCRYPTHASH* hash) {
  return CryptCreateHash(provider, CALG_SHA1, 0, 0, hash) ? 0 : -1;
}

int32_t ojms_verifyJarSignature(const char* jad, int32_t jadLength, const uint8_t* jar, int32_t jarLength,
                                char* subject, int32_t size) {
  cByteBuf certificateBytes;
  cByteBuf signature;
  lDecoded(jad, jadLength, "MIDlet-Certificate-1-1", &certificateBytes);
  if (certificateBytes.size == 0) {
    TRACE_REPORT(kTraceLevelError, "No MIDlet-Certificate-1-1 tag data in jad.");
    return 0;
  }
  lDecoded(jad, jadLength, "MIDlet-Jar-RSA-SHA1", &signature);
  if (signature.size == 0) {
    TRACE_REPORT(kTraceLevelError, "No MIDlet-Jar-RSA-SHA1 tag data in jad.");
    return 0;
  }
  PCCERT_CONTEXT certificate = CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                            certificateBytes.data, certificateBytes.size);
  if (certificate == nullptr) {
    TRACE_REPORT(kTraceLevelError, "CertCreateCertificateContext() failed.\n");
    return -2;
  }
  const std::string text = ojms_certSubjectText(&certificate->pCertInfo->Subject);
  if (!ojms_isCertInStore(u"ROOT", certificate) && !ojms_isCertInStore(u"PERSONAL", certificate)) {
    CertFreeCertificateContext(certificate);
    return -1;
  }
  if (subject != nullptr && size > 0) {
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(subject, text.data(), n);
    subject[n] = '\0';
  }
  cByteBuf key;
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  HCRYPTKEY rsaKey = 0;
  int32_t result = -2;
  if (ojms_decodePublicKey(certificate, &key) == 0) {
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
      TRACE_REPORT(kTraceLevelError, "CryptAcquireContext() failed.\n");
    } else {
      if (ojms_createSha1Hash(provider, &hash) != 0)
        TRACE_REPORT(kTraceLevelError, "hash.create() failed.\n");
      if (!CryptHashData(hash, jar, static_cast<DWORD>(jarLength), 0))
        TRACE_REPORT(kTraceLevelError, "hash.HashData() failed.\n");
      if (!CryptImportKey(provider, key.data, key.size, 0, 0, &rsaKey))
        TRACE_REPORT(kTraceLevelError, "CryptImportKey() failed.\n");
      // CryptoAPI reads signatures least-significant byte first.
      std::reverse(signature.data, signature.data + signature.size);
      if (CryptVerifySignatureW(hash, signature.data, signature.size, rsaKey, nullptr, 0)) {
        result = 1;
      } else if (GetLastError() == NTE_BAD_SIGNATURE) {
        TRACE_REPORT(kTraceLevelError, "CryptVerifySignature() failed,  NTE_BAD_SIGNATURE. \n");
        result = -1;
      }
    }
  }
  if (rsaKey != 0) CryptDestroyKey(rsaKey);
  if (hash != 0) CryptDestroyHash(hash);
  if (provider != 0) CryptReleaseContext(provider, 0);
  CertFreeCertificateContext(certificate);
  return result;
}

int32_t ojms_checkSigner(const char* jad, int32_t jadLength, const uint8_t* jar, int32_t jarLength,
                         int32_t* domain, int32_t* status) {
  char subject[kSubjectBytes];
  const int32_t verified = ojms_verifyJarSignature(jad, jadLength, jar, jarLength, subject, kSubjectBytes);
  if (verified == 0) {
    *domain = 0;
    return 0;
  }
  if (verified < 0) {
    *status = verified == -2 ? kStatusOther : kStatusAuthentication;
    return -1;
  }
  // A subject that filled the buffer was cut: it matches nothing.
  const int32_t found = strnlen(subject, kSubjectBytes) < kSubjectBytes - 1 ? lDomainOf(subject) : -1;
  if (found < 0) {
    TRACE_REPORT(kTraceLevelError, "signer \"%s\" is not in _dn.idx", subject);
    *status = kStatusAuthentication;
    return -1;
  }
  *domain = found;
  return 0;
}
