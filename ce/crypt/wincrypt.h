// The CE cryptography calls the suite storage checks JAR signatures with:
// X.509 certificate contexts, the registry's system certificate stores, and
// an RSA provider with SHA-1 hashes and PKCS#1 v1.5 signature checks, over
// OpenSSL's libcrypto.
//
// Byte orders are CryptoAPI's: a certificate's serial number, an RSA
// public-key blob's modulus and a signature handed to CryptVerifySignatureW
// are least-significant byte first. A certificate context owns one block:
//
//   CERT_CONTEXT | CERT_INFO | encoded certificate | serial (LSB first) |
//   issuer name DER | subject name DER | public-key algorithm OID text |
//   public-key bits (RSAPublicKey DER)
//
// so the blobs of its CERT_INFO point into the context itself and stay
// valid until CertFreeCertificateContext. System stores live in the
// registry under HKLM\Comm\Security\SystemCertificates\<store>\Certificates,
// one sub-key per certificate named by its SHA-1 thumbprint (40 upper-case
// hex digits) with the DER bytes as the binary value "Blob"; "PERSONAL"
// names the store "MY". Every call checks its arguments: a null or foreign
// handle fails with ERROR_INVALID_PARAMETER (or NTE_BAD_* for the provider
// objects), never a crash.
#pragma once

#include <cstdint>

#include "ce/base/lasterror.h"
#include "ce/core/systime.h"
#include "ce/core/windows_types.h"

using ALG_ID = uint32_t;
using HCRYPTPROV = uintptr_t;
using HCRYPTHASH = uintptr_t;
using HCRYPTKEY = uintptr_t;
using HCERTSTORE = void*;

struct CRYPT_INTEGER_BLOB {
  DWORD cbData;
  BYTE* pbData;
};
using CERT_NAME_BLOB = CRYPT_INTEGER_BLOB;
using CRYPT_OBJID_BLOB = CRYPT_INTEGER_BLOB;

struct CRYPT_BIT_STRING_BLOB {
  DWORD cbData;
  BYTE* pbData;
  DWORD cUnusedBits;
};

struct CRYPT_ALGORITHM_IDENTIFIER {
  char* pszObjId;
  CRYPT_OBJID_BLOB Parameters;
};

struct CERT_PUBLIC_KEY_INFO {
  CRYPT_ALGORITHM_IDENTIFIER Algorithm;
  CRYPT_BIT_STRING_BLOB PublicKey;
};

struct CERT_INFO {
  DWORD dwVersion;
  CRYPT_INTEGER_BLOB SerialNumber;
  CERT_NAME_BLOB Issuer;
  FILETIME NotBefore;
  FILETIME NotAfter;
  CERT_NAME_BLOB Subject;
  CERT_PUBLIC_KEY_INFO SubjectPublicKeyInfo;
};

struct CERT_CONTEXT {
  DWORD dwCertEncodingType;
  BYTE* pbCertEncoded;
  DWORD cbCertEncoded;
  CERT_INFO* pCertInfo;
  HCERTSTORE hCertStore;
};
using PCCERT_CONTEXT = const CERT_CONTEXT*;

// An RSA public-key blob: BLOBHEADER, RSAPUBKEY, then the modulus
// (bitlen / 8 bytes, least-significant first).
struct BLOBHEADER {
  BYTE bType;
  BYTE bVersion;
  WORD reserved;
  ALG_ID aiKeyAlg;
};
struct RSAPUBKEY {
  DWORD magic;
  DWORD bitlen;
  DWORD pubexp;
};
static_assert(sizeof(BLOBHEADER) == 8 && sizeof(RSAPUBKEY) == 12);

constexpr DWORD X509_ASN_ENCODING = 0x1;
constexpr DWORD PKCS_7_ASN_ENCODING = 0x10000;

// CryptDecodeObject structure types (small integers passed as pointers).
inline const char* const X509_PUBLIC_KEY_INFO = reinterpret_cast<const char*>(uintptr_t{8});
inline const char* const RSA_CSP_PUBLICKEYBLOB = reinterpret_cast<const char*>(uintptr_t{19});

constexpr DWORD CERT_X500_NAME_STR = 3;
constexpr DWORD CERT_NAME_STR_SEMICOLON_FLAG = 0x40000000;
constexpr DWORD CERT_FIND_SUBJECT_CERT = 0x000B0000;

constexpr DWORD PROV_RSA_FULL = 1;
constexpr DWORD CRYPT_VERIFYCONTEXT = 0xF0000000;
constexpr ALG_ID CALG_SHA1 = 0x8004;
constexpr ALG_ID CALG_RSA_KEYX = 0xA400;
constexpr ALG_ID CALG_RSA_SIGN = 0x2400;
constexpr BYTE PUBLICKEYBLOB = 0x6;
constexpr BYTE CUR_BLOB_VERSION = 2;
constexpr DWORD kRsa1Magic = 0x31415352;  // "RSA1"

constexpr DWORD NTE_BAD_HASH = 0x80090002;
constexpr DWORD NTE_BAD_KEY = 0x80090003;
constexpr DWORD NTE_BAD_SIGNATURE = 0x80090006;
constexpr DWORD NTE_BAD_ALGID = 0x80090008;
constexpr DWORD NTE_BAD_FLAGS = 0x80090009;
constexpr DWORD NTE_BAD_TYPE = 0x8009000A;
constexpr DWORD NTE_BAD_PROV_TYPE = 0x80090014;
constexpr DWORD CRYPT_E_NOT_FOUND = 0x80092004;
constexpr DWORD CRYPT_E_ASN1_BADTAG = 0x8009310B;

// Certificates (ce/crypt/certificate.cpp).
PCCERT_CONTEXT CertCreateCertificateContext(DWORD encoding, const BYTE* encoded, DWORD size);
BOOL CertFreeCertificateContext(PCCERT_CONTEXT context);
PCCERT_CONTEXT CertDuplicateCertificateContext(PCCERT_CONTEXT context);
// -1 before NotBefore, 1 after NotAfter, else 0; time null means now.
LONG CertVerifyTimeValidity(const FILETIME* time, const CERT_INFO* info);
// The name as text, components in encoded order; the characters written
// with the NUL (1 and an empty text when the name does not decode); with
// chars 0 (or out null) only the size needed.
DWORD CertNameToStrW(DWORD encoding, const CERT_NAME_BLOB* name, DWORD type, WCHAR* out, DWORD chars);
BOOL CryptDecodeObject(DWORD encoding, const char* structType, const BYTE* encoded, DWORD size, DWORD flags,
                       void* out, DWORD* outSize);

// System stores (ce/crypt/certstore.cpp).
HCERTSTORE CertOpenSystemStoreW(HCRYPTPROV provider, const WCHAR* storeName);
BOOL CertCloseStore(HCERTSTORE store, DWORD flags);
PCCERT_CONTEXT CertFindCertificateInStore(HCERTSTORE store, DWORD encoding, DWORD findFlags, DWORD findType,
                                          const void* findPara, PCCERT_CONTEXT previous);
// Host side (cedevice): stores a DER certificate in the system store
// "ROOT"/"MY"/"PERSONAL"; 0, or a CE error code (ERROR_INVALID_PARAMETER for
// bytes that are not a certificate or an unknown store).
DWORD vsCertStore_add(const char* storeName, const BYTE* der, DWORD size);

// Provider, hashes and keys (ce/crypt/provider.cpp).
BOOL CryptAcquireContextW(HCRYPTPROV* provider, const WCHAR* container, const WCHAR* providerName,
                          DWORD providerType, DWORD flags);
BOOL CryptReleaseContext(HCRYPTPROV provider, DWORD flags);
BOOL CryptCreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTKEY key, DWORD flags, HCRYPTHASH* hash);
BOOL CryptHashData(HCRYPTHASH hash, const BYTE* data, DWORD size, DWORD flags);
BOOL CryptDestroyHash(HCRYPTHASH hash);
BOOL CryptImportKey(HCRYPTPROV provider, const BYTE* blob, DWORD size, HCRYPTKEY importKey, DWORD flags,
                    HCRYPTKEY* key);
BOOL CryptDestroyKey(HCRYPTKEY key);
// PKCS#1 v1.5 over the hash; the signature least-significant byte first.
// A signature that does not verify: FALSE with NTE_BAD_SIGNATURE.
BOOL CryptVerifySignatureW(HCRYPTHASH hash, const BYTE* signature, DWORD size, HCRYPTKEY key,
                           const WCHAR* description, DWORD flags);
