// The system certificate stores over the registry (layout in wincrypt.h). A
// store opened here is a snapshot: the certificates its key held at the
// open, as contexts the store owns until CertCloseStore.
#include <openssl/evp.h>
#include <strings.h>

#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ce/crypt/wincrypt.h"
#include "ce/reg/regapi.h"

namespace {

struct Store {
  std::vector<PCCERT_CONTEXT> certificates;
};

std::mutex gStoreLock;
std::set<Store*> gStores;

// Store names and the registry keys that hold them.
struct StoreName {
  const char* name;
  const char* key;
};
constexpr StoreName kStoreNames[] = {{"ROOT", "Root"}, {"MY", "MY"}, {"PERSONAL", "MY"}};

std::u16string lWide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// The store's "...\Certificates" key path; empty for an unknown store.
std::u16string lStoreKey(const std::string& name) {
  for (const StoreName& entry : kStoreNames) {
    if (strcasecmp(entry.name, name.c_str()) == 0)
      return lWide(std::string("Comm\\Security\\SystemCertificates\\") + entry.key + "\\Certificates");
  }
  return {};
}

bool lSameBlob(const CRYPT_INTEGER_BLOB& a, const CRYPT_INTEGER_BLOB& b) {
  return a.cbData == b.cbData && (a.cbData == 0 || std::memcmp(a.pbData, b.pbData, a.cbData) == 0);
}

void lLoad(Store* store, HKEY certificates) {
  WCHAR name[64];
  for (DWORD index = 0;; ++index) {
    DWORD units = 64;
    if (RegEnumKeyExW(certificates, index, name, &units, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return;
    HKEY entry = nullptr;
    if (RegOpenKeyExW(certificates, name, 0, KEY_READ, &entry) != ERROR_SUCCESS) continue;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> blob;
    if (RegQueryValueExW(entry, u"Blob", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_BINARY && size > 0) {
      blob.resize(size);
      if (RegQueryValueExW(entry, u"Blob", nullptr, &type, blob.data(), &size) != ERROR_SUCCESS) blob.clear();
    }
    RegCloseKey(entry);
    if (PCCERT_CONTEXT context = blob.empty() ? nullptr
                                              : CertCreateCertificateContext(X509_ASN_ENCODING, blob.data(),
                                                                             static_cast<DWORD>(size)))
      store->certificates.push_back(context);
  }
}

}  // namespace

HCERTSTORE CertOpenSystemStoreW(HCRYPTPROV, const WCHAR* storeName) {
  std::string name;
  for (const WCHAR* c = storeName; c != nullptr && *c != 0 && name.size() < 32; ++c)
    name += *c < 128 ? static_cast<char>(*c) : '?';
  const std::u16string key = lStoreKey(name);
  if (key.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  auto* store = new Store;
  HKEY certificates = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &certificates) == ERROR_SUCCESS) {
    lLoad(store, certificates);
    RegCloseKey(certificates);
  }
  std::lock_guard<std::mutex> hold(gStoreLock);
  gStores.insert(store);
  return store;
}

BOOL CertCloseStore(HCERTSTORE handle, DWORD) {
  if (handle == nullptr) return TRUE;
  auto* store = static_cast<Store*>(handle);
  {
    std::lock_guard<std::mutex> hold(gStoreLock);
    if (gStores.erase(store) == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
  }
  for (PCCERT_CONTEXT context : store->certificates) CertFreeCertificateContext(context);
  delete store;
  return TRUE;
}

PCCERT_CONTEXT CertFindCertificateInStore(HCERTSTORE handle, DWORD encoding, DWORD, DWORD findType,
                                          const void* findPara, PCCERT_CONTEXT previous) {
  auto* store = static_cast<Store*>(handle);
  {
    std::lock_guard<std::mutex> hold(gStoreLock);
    if (gStores.count(store) == 0) store = nullptr;
  }
  if (store == nullptr || (encoding & X509_ASN_ENCODING) == 0 || findType != CERT_FIND_SUBJECT_CERT ||
      findPara == nullptr) {
    CertFreeCertificateContext(previous);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto* wanted = static_cast<const CERT_INFO*>(findPara);
  size_t index = 0;
  if (previous != nullptr) {
    while (index < store->certificates.size() && store->certificates[index] != previous) ++index;
    ++index;
    CertFreeCertificateContext(previous);
  }
  for (; index < store->certificates.size(); ++index) {
    const CERT_INFO* info = store->certificates[index]->pCertInfo;
    if (lSameBlob(info->Issuer, wanted->Issuer) && lSameBlob(info->SerialNumber, wanted->SerialNumber))
      return CertDuplicateCertificateContext(store->certificates[index]);
  }
  SetLastError(CRYPT_E_NOT_FOUND);
  return nullptr;
}

DWORD vsCertStore_add(const char* storeName, const BYTE* der, DWORD size) {
  const std::u16string key = lStoreKey(storeName == nullptr ? "" : storeName);
  PCCERT_CONTEXT context = key.empty() ? nullptr : CertCreateCertificateContext(X509_ASN_ENCODING, der, size);
  if (context == nullptr) return ERROR_INVALID_PARAMETER;
  CertFreeCertificateContext(context);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestBytes = 0;
  if (EVP_Digest(der, size, digest, &digestBytes, EVP_sha1(), nullptr) != 1) return ERROR_GEN_FAILURE;
  static const char kHex[] = "0123456789ABCDEF";
  std::string thumbprint;
  for (unsigned int i = 0; i < digestBytes; ++i) {
    thumbprint += kHex[digest[i] >> 4];
    thumbprint += kHex[digest[i] & 15];
  }
  HKEY entry = nullptr;
  LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, (key + u"\\" + lWide(thumbprint)).c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &entry, nullptr);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  status = RegSetValueExW(entry, u"Blob", 0, REG_BINARY, der, size);
  RegCloseKey(entry);
  return static_cast<DWORD>(status);
}
