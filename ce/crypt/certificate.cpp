// Certificate contexts, their names as text, validity and the decoding of
// public keys (see wincrypt.h for the context's one-block layout).
#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <string>

#include "ce/base/codepage.h"
#include "ce/crypt/wincrypt.h"

namespace {

// The block in front of each context's CERT_CONTEXT.
struct ContextBlock {
  uint32_t references;
  CERT_CONTEXT context;
  CERT_INFO info;
};

std::mutex gContextLock;
std::set<const CERT_CONTEXT*> gContexts;

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochTicks = 116444736000000000LL;

FILETIME lFileTime(const ASN1_TIME* time) {
  struct tm parts = {};
  FILETIME out = {0, 0};
  if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) return out;
  const int64_t seconds = timegm(&parts);
  const int64_t ticks = seconds * 10000000LL + kUnixEpochTicks;
  if (ticks <= 0) return out;
  out.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks));
  out.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return out;
}

// The DER bytes of an encodable object; empty on failure.
template <typename T, typename F>
std::string lDer(T* object, F encode) {
  const int n = encode(object, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  unsigned char* cursor = reinterpret_cast<unsigned char*>(out.data());
  if (encode(object, &cursor) != n) return {};
  return out;
}

// Appends bytes to the block and points blob at them.
struct Packer {
  std::string bytes;
  size_t add(const std::string& part) {
    const size_t at = bytes.size();
    bytes += part;
    return at;
  }
};

// CryptoAPI's key names of the name components.
struct NameKey {
  int nid;
  const char* key;
};
constexpr NameKey kNameKeys[] = {
    {NID_commonName, "CN"},
    {NID_localityName, "L"},
    {NID_organizationName, "O"},
    {NID_organizationalUnitName, "OU"},
    {NID_pkcs9_emailAddress, "E"},
    {NID_countryName, "C"},
    {NID_stateOrProvinceName, "S"},
    {NID_streetAddress, "STREET"},
    {NID_title, "T"},
    {NID_givenName, "G"},
    {NID_initials, "I"},
    {NID_surname, "SN"},
    {NID_domainComponent, "DC"},
    {NID_serialNumber, "SERIALNUMBER"},
};

std::string lKey(const ASN1_OBJECT* object) {
  const int nid = OBJ_obj2nid(object);
  for (const NameKey& entry : kNameKeys)
    if (entry.nid == nid) return entry.key;
  char dotted[128];
  const int n = OBJ_obj2txt(dotted, sizeof dotted, object, 1);
  if (n <= 0 || n >= static_cast<int>(sizeof dotted)) return "OID.";
  return std::string("OID.") + dotted;
}

std::string lValue(const ASN1_STRING* data) {
  unsigned char* utf8 = nullptr;
  const int n = ASN1_STRING_to_UTF8(&utf8, data);
  std::string value;
  if (n >= 0) {
    value.assign(reinterpret_cast<const char*>(utf8), static_cast<size_t>(n));
    OPENSSL_free(utf8);
  } else {
    static const char kHex[] = "0123456789ABCDEF";
    value = "#";
    for (int i = 0; i < ASN1_STRING_length(data); ++i) {
      const unsigned char byte = ASN1_STRING_get0_data(data)[i];
      value += kHex[byte >> 4];
      value += kHex[byte & 15];
    }
    return value;
  }
  const bool edgeBlank = !value.empty() && (value.front() == ' ' || value.back() == ' ');
  if (!value.empty() && !edgeBlank && value.find_first_of(",+=\"\r\n<>#;") == std::string::npos) return value;
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// The name's components as "KEY=value" joined by ", " (or "; "), a
// multi-valued component's parts by " + "; empty when it does not decode.
std::string lNameText(const BYTE* der, DWORD size, bool semicolons) {
  const unsigned char* cursor = der;
  X509_NAME* name = der == nullptr ? nullptr : d2i_X509_NAME(nullptr, &cursor, static_cast<long>(size));
  if (name == nullptr) return {};
  std::string text;
  int lastSet = -1;
  for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
    const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
    const int set = X509_NAME_ENTRY_set(entry);
    if (i > 0) text += set == lastSet ? " + " : (semicolons ? "; " : ", ");
    lastSet = set;
    text += lKey(X509_NAME_ENTRY_get_object(entry)) + "=" + lValue(X509_NAME_ENTRY_get_data(entry));
  }
  X509_NAME_free(name);
  return text;
}

}  // namespace

PCCERT_CONTEXT CertCreateCertificateContext(DWORD encoding, const BYTE* encoded, DWORD size) {
  if ((encoding & X509_ASN_ENCODING) == 0 || encoded == nullptr || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const unsigned char* cursor = encoded;
  X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(size));
  if (certificate == nullptr || cursor != encoded + size) {
    X509_free(certificate);
    SetLastError(CRYPT_E_ASN1_BADTAG);
    return nullptr;
  }
  // The serial's DER content octets (sign byte included), reversed.
  std::string serial = lDer(X509_get0_serialNumber(certificate), i2d_ASN1_INTEGER);
  const size_t header = serial.size() < 2 ? serial.size()
                        : static_cast<unsigned char>(serial[1]) < 0x80
                            ? 2
                            : 2 + (static_cast<unsigned char>(serial[1]) & 0x7F);
  serial.erase(0, header < serial.size() ? header : serial.size());
  std::reverse(serial.begin(), serial.end());
  const std::string issuer = lDer(X509_get_issuer_name(certificate), i2d_X509_NAME);
  const std::string subject = lDer(X509_get_subject_name(certificate), i2d_X509_NAME);
  X509_PUBKEY* publicKey = X509_get_X509_PUBKEY(certificate);
  ASN1_OBJECT* algorithm = nullptr;
  const unsigned char* keyBits = nullptr;
  int keyBytes = 0;
  X509_ALGOR* algorithmIdentifier = nullptr;
  std::string oid;
  std::string parameters;
  if (publicKey != nullptr &&
      X509_PUBKEY_get0_param(&algorithm, &keyBits, &keyBytes, &algorithmIdentifier, publicKey) == 1) {
    char dotted[128];
    const int n = OBJ_obj2txt(dotted, sizeof dotted, algorithm, 1);
    if (n > 0 && n < static_cast<int>(sizeof dotted)) oid = dotted;
    const ASN1_TYPE* parameter = nullptr;
    int parameterType = 0;
    X509_ALGOR_get0(nullptr, &parameterType, reinterpret_cast<const void**>(&parameter), algorithmIdentifier);
    if (parameterType == V_ASN1_NULL) parameters = std::string("\x05\x00", 2);
  }
  if (issuer.empty() || subject.empty() || oid.empty()) {
    X509_free(certificate);
    SetLastError(CRYPT_E_ASN1_BADTAG);
    return nullptr;
  }
  Packer packer;
  const size_t derAt = packer.add(std::string(reinterpret_cast<const char*>(encoded), size));
  const size_t serialAt = packer.add(serial);
  const size_t issuerAt = packer.add(issuer);
  const size_t subjectAt = packer.add(subject);
  const size_t oidAt = packer.add(oid + std::string(1, '\0'));
  const size_t parametersAt = packer.add(parameters);
  const size_t keyAt =
      packer.add(std::string(reinterpret_cast<const char*>(keyBits), static_cast<size_t>(keyBytes)));

  auto* block = static_cast<ContextBlock*>(::operator new(sizeof(ContextBlock) + packer.bytes.size()));
  BYTE* data = reinterpret_cast<BYTE*>(block + 1);
  std::memcpy(data, packer.bytes.data(), packer.bytes.size());
  block->references = 1;
  CERT_INFO& info = block->info;
  info = {};
  info.dwVersion = static_cast<DWORD>(X509_get_version(certificate));
  info.SerialNumber = {static_cast<DWORD>(serial.size()), data + serialAt};
  info.Issuer = {static_cast<DWORD>(issuer.size()), data + issuerAt};
  info.Subject = {static_cast<DWORD>(subject.size()), data + subjectAt};
  info.NotBefore = lFileTime(X509_get0_notBefore(certificate));
  info.NotAfter = lFileTime(X509_get0_notAfter(certificate));
  info.SubjectPublicKeyInfo.Algorithm.pszObjId = reinterpret_cast<char*>(data + oidAt);
  info.SubjectPublicKeyInfo.Algorithm.Parameters = {static_cast<DWORD>(parameters.size()),
                                                    data + parametersAt};
  info.SubjectPublicKeyInfo.PublicKey = {static_cast<DWORD>(keyBytes), data + keyAt, 0};
  block->context = {encoding, data + derAt, size, &block->info, nullptr};
  X509_free(certificate);
  std::lock_guard<std::mutex> hold(gContextLock);
  gContexts.insert(&block->context);
  return &block->context;
}

namespace {

ContextBlock* lBlock(PCCERT_CONTEXT context) {
  return reinterpret_cast<ContextBlock*>(reinterpret_cast<char*>(const_cast<CERT_CONTEXT*>(context)) -
                                         offsetof(ContextBlock, context));
}

}  // namespace

PCCERT_CONTEXT CertDuplicateCertificateContext(PCCERT_CONTEXT context) {
  std::lock_guard<std::mutex> hold(gContextLock);
  if (gContexts.count(context) == 0) return nullptr;
  ++lBlock(context)->references;
  return context;
}

BOOL CertFreeCertificateContext(PCCERT_CONTEXT context) {
  if (context == nullptr) return TRUE;
  std::lock_guard<std::mutex> hold(gContextLock);
  if (gContexts.count(context) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ContextBlock* block = lBlock(context);
  if (--block->references == 0) {
    gContexts.erase(context);
    ::operator delete(block);
  }
  return TRUE;
}

LONG CertVerifyTimeValidity(const FILETIME* time, const CERT_INFO* info) {
  FILETIME now;
  if (time == nullptr) {
    GetSystemTimeAsFileTime(&now);
    time = &now;
  }
  if (info == nullptr) return 1;
  if (CompareFileTime(time, &info->NotBefore) < 0) return -1;
  if (CompareFileTime(time, &info->NotAfter) > 0) return 1;
  return 0;
}

DWORD CertNameToStrW(DWORD encoding, const CERT_NAME_BLOB* name, DWORD type, WCHAR* out, DWORD chars) {
  std::string text;
  if ((encoding & X509_ASN_ENCODING) != 0 && name != nullptr)
    text = lNameText(name->pbData, name->cbData, (type & CERT_NAME_STR_SEMICOLON_FLAG) != 0);
  const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  const DWORD needed = static_cast<DWORD>(units) + 1;
  if (out == nullptr || chars == 0) return needed;
  std::u16string wide(static_cast<size_t>(units), u'\0');
  if (units > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
  const DWORD written = needed < chars ? needed : chars;
  std::memcpy(out, wide.data(), (written - 1) * sizeof(WCHAR));
  out[written - 1] = 0;
  return written;
}

namespace {

// Copies a decoded structure out the CryptoAPI way: size query, too small
// (ERROR_MORE_DATA with the size needed) or written.
BOOL lDeliver(const std::string& bytes, void* out, DWORD* outSize) {
  const DWORD needed = static_cast<DWORD>(bytes.size());
  if (out == nullptr) {
    *outSize = needed;
    return TRUE;
  }
  if (*outSize < needed) {
    *outSize = needed;
    SetLastError(ERROR_MORE_DATA);
    return FALSE;
  }
  std::memcpy(out, bytes.data(), needed);
  *outSize = needed;
  return TRUE;
}

std::string lLittleEndian(const BIGNUM* number, size_t bytes) {
  std::string out(bytes, '\0');
  BN_bn2lebinpad(number, reinterpret_cast<unsigned char*>(out.data()), static_cast<int>(bytes));
  return out;
}

// An RSAPublicKey DER as a PUBLICKEYBLOB; empty when it is not one.
std::string lRsaBlob(const BYTE* der, DWORD size) {
  const unsigned char* cursor = der;
  EVP_PKEY* key = d2i_PublicKey(EVP_PKEY_RSA, nullptr, &cursor, static_cast<long>(size));
  if (key == nullptr) return {};
  BIGNUM* modulus = nullptr;
  BIGNUM* exponent = nullptr;
  std::string blob;
  if (cursor == der + size && EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &modulus) == 1 &&
      EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_E, &exponent) == 1 && BN_num_bits(exponent) <= 32 &&
      BN_num_bits(modulus) <= 16384) {
    const DWORD bits = static_cast<DWORD>(BN_num_bytes(modulus)) * 8;
    const BLOBHEADER header = {PUBLICKEYBLOB, CUR_BLOB_VERSION, 0, CALG_RSA_KEYX};
    const RSAPUBKEY rsa = {kRsa1Magic, bits, static_cast<DWORD>(BN_get_word(exponent))};
    blob.append(reinterpret_cast<const char*>(&header), sizeof header);
    blob.append(reinterpret_cast<const char*>(&rsa), sizeof rsa);
    blob += lLittleEndian(modulus, bits / 8);
  }
  BN_free(modulus);
  BN_free(exponent);
  EVP_PKEY_free(key);
  return blob;
}

// A SubjectPublicKeyInfo DER as CERT_PUBLIC_KEY_INFO followed by its data.
std::string lPublicKeyInfo(const BYTE* der, DWORD size) {
  const unsigned char* cursor = der;
  X509_PUBKEY* publicKey = d2i_X509_PUBKEY(nullptr, &cursor, static_cast<long>(size));
  if (publicKey == nullptr) return {};
  ASN1_OBJECT* algorithm = nullptr;
  const unsigned char* keyBits = nullptr;
  int keyBytes = 0;
  std::string out;
  char dotted[128];
  if (cursor == der + size &&
      X509_PUBKEY_get0_param(&algorithm, &keyBits, &keyBytes, nullptr, publicKey) == 1) {
    const int n = OBJ_obj2txt(dotted, sizeof dotted, algorithm, 1);
    if (n > 0 && n < static_cast<int>(sizeof dotted)) {
      out.assign(sizeof(CERT_PUBLIC_KEY_INFO), '\0');
      out.append(dotted, static_cast<size_t>(n) + 1);
      out.append(reinterpret_cast<const char*>(keyBits), static_cast<size_t>(keyBytes));
    }
  }
  X509_PUBKEY_free(publicKey);
  return out;
}

}  // namespace

BOOL CryptDecodeObject(DWORD encoding, const char* structType, const BYTE* encoded, DWORD size, DWORD flags,
                       void* out, DWORD* outSize) {
  if ((encoding & X509_ASN_ENCODING) == 0 || encoded == nullptr || outSize == nullptr || flags != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (structType == RSA_CSP_PUBLICKEYBLOB) {
    const std::string blob = lRsaBlob(encoded, size);
    if (blob.empty()) {
      SetLastError(CRYPT_E_ASN1_BADTAG);
      return FALSE;
    }
    return lDeliver(blob, out, outSize);
  }
  if (structType == X509_PUBLIC_KEY_INFO) {
    const std::string decoded = lPublicKeyInfo(encoded, size);
    if (decoded.empty()) {
      SetLastError(CRYPT_E_ASN1_BADTAG);
      return FALSE;
    }
    if (!lDeliver(decoded, out, outSize) || out == nullptr) return out == nullptr ? TRUE : FALSE;
    // Point the structure at the copies that follow it.
    BYTE* base = static_cast<BYTE*>(out);
    auto* info = static_cast<CERT_PUBLIC_KEY_INFO*>(out);
    char* oid = reinterpret_cast<char*>(base + sizeof(CERT_PUBLIC_KEY_INFO));
    const size_t oidBytes = std::strlen(oid) + 1;
    *info = {};
    info->Algorithm.pszObjId = oid;
    info->PublicKey.pbData = base + sizeof(CERT_PUBLIC_KEY_INFO) + oidBytes;
    info->PublicKey.cbData = static_cast<DWORD>(decoded.size() - sizeof(CERT_PUBLIC_KEY_INFO) - oidBytes);
    return TRUE;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
