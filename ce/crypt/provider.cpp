// The RSA provider: verify-only contexts, SHA-1 hash objects and imported
// RSA public keys, each a host object whose handle is checked against the
// live set of its kind before use.
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "ce/crypt/wincrypt.h"

namespace {

struct Provider {};
struct Hash {
  EVP_MD_CTX* digest;
};
struct Key {
  EVP_PKEY* key;
};

std::mutex gLock;
std::set<Provider*> gProviders;
std::set<Hash*> gHashes;
std::set<Key*> gKeys;

template <typename T>
T* lLive(const std::set<T*>& live, uintptr_t handle) {
  std::lock_guard<std::mutex> hold(gLock);
  T* object = reinterpret_cast<T*>(handle);
  return live.count(object) != 0 ? object : nullptr;
}

template <typename T>
uintptr_t lAdd(std::set<T*>& live, T* object) {
  std::lock_guard<std::mutex> hold(gLock);
  live.insert(object);
  return reinterpret_cast<uintptr_t>(object);
}

template <typename T>
bool lRemove(std::set<T*>& live, uintptr_t handle) {
  std::lock_guard<std::mutex> hold(gLock);
  return live.erase(reinterpret_cast<T*>(handle)) != 0;
}

BOOL lFail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// An RSA public key from modulus and exponent.
EVP_PKEY* lRsaKey(const BYTE* modulusLe, DWORD modulusBytes, DWORD exponent) {
  BIGNUM* modulus = BN_lebin2bn(modulusLe, static_cast<int>(modulusBytes), nullptr);
  BIGNUM* publicExponent = BN_new();
  OSSL_PARAM_BLD* builder = OSSL_PARAM_BLD_new();
  OSSL_PARAM* parameters = nullptr;
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
  EVP_PKEY* key = nullptr;
  if (modulus != nullptr && publicExponent != nullptr && builder != nullptr && context != nullptr &&
      BN_set_word(publicExponent, exponent) == 1 &&
      OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_N, modulus) == 1 &&
      OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_E, publicExponent) == 1 &&
      (parameters = OSSL_PARAM_BLD_to_param(builder)) != nullptr && EVP_PKEY_fromdata_init(context) == 1 &&
      EVP_PKEY_fromdata(context, &key, EVP_PKEY_PUBLIC_KEY, parameters) != 1)
    key = nullptr;
  EVP_PKEY_CTX_free(context);
  OSSL_PARAM_free(parameters);
  OSSL_PARAM_BLD_free(builder);
  BN_free(publicExponent);
  BN_free(modulus);
  return key;
}

}  // namespace

BOOL CryptAcquireContextW(HCRYPTPROV* provider, const WCHAR* container, const WCHAR*, DWORD providerType,
                          DWORD flags) {
  if (provider == nullptr) return lFail(ERROR_INVALID_PARAMETER);
  *provider = 0;
  if (providerType != PROV_RSA_FULL) return lFail(NTE_BAD_PROV_TYPE);
  if (flags != CRYPT_VERIFYCONTEXT || (container != nullptr && *container != 0)) return lFail(NTE_BAD_FLAGS);
  *provider = lAdd(gProviders, new Provider);
  return TRUE;
}

BOOL CryptReleaseContext(HCRYPTPROV provider, DWORD) {
  Provider* object = lLive(gProviders, provider);
  if (object == nullptr || !lRemove(gProviders, provider)) return lFail(ERROR_INVALID_PARAMETER);
  delete object;
  return TRUE;
}

BOOL CryptCreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTKEY key, DWORD flags, HCRYPTHASH* hash) {
  if (hash == nullptr || lLive(gProviders, provider) == nullptr) return lFail(ERROR_INVALID_PARAMETER);
  *hash = 0;
  if (algorithm != CALG_SHA1) return lFail(NTE_BAD_ALGID);
  if (key != 0) return lFail(NTE_BAD_KEY);
  if (flags != 0) return lFail(NTE_BAD_FLAGS);
  EVP_MD_CTX* digest = EVP_MD_CTX_new();
  if (digest == nullptr || EVP_DigestInit_ex(digest, EVP_sha1(), nullptr) != 1) {
    EVP_MD_CTX_free(digest);
    return lFail(ERROR_NOT_ENOUGH_MEMORY);
  }
  *hash = lAdd(gHashes, new Hash{digest});
  return TRUE;
}

BOOL CryptHashData(HCRYPTHASH hash, const BYTE* data, DWORD size, DWORD) {
  Hash* object = lLive(gHashes, hash);
  if (object == nullptr) return lFail(NTE_BAD_HASH);
  if (data == nullptr && size != 0) return lFail(ERROR_INVALID_PARAMETER);
  if (size != 0 && EVP_DigestUpdate(object->digest, data, size) != 1) return lFail(NTE_BAD_HASH);
  return TRUE;
}

BOOL CryptDestroyHash(HCRYPTHASH hash) {
  Hash* object = lLive(gHashes, hash);
  if (object == nullptr || !lRemove(gHashes, hash)) return lFail(NTE_BAD_HASH);
  EVP_MD_CTX_free(object->digest);
  delete object;
  return TRUE;
}

BOOL CryptImportKey(HCRYPTPROV provider, const BYTE* blob, DWORD size, HCRYPTKEY importKey, DWORD flags,
                    HCRYPTKEY* key) {
  if (key == nullptr || blob == nullptr || lLive(gProviders, provider) == nullptr)
    return lFail(ERROR_INVALID_PARAMETER);
  *key = 0;
  if (importKey != 0 || flags != 0) return lFail(NTE_BAD_FLAGS);
  BLOBHEADER header;
  RSAPUBKEY rsa;
  if (size < sizeof header + sizeof rsa) return lFail(NTE_BAD_TYPE);
  std::memcpy(&header, blob, sizeof header);
  std::memcpy(&rsa, blob + sizeof header, sizeof rsa);
  const DWORD modulusBytes = rsa.bitlen / 8;
  if (header.bType != PUBLICKEYBLOB || header.bVersion != CUR_BLOB_VERSION ||
      (header.aiKeyAlg != CALG_RSA_KEYX && header.aiKeyAlg != CALG_RSA_SIGN) || rsa.magic != kRsa1Magic ||
      rsa.bitlen % 8 != 0 || modulusBytes == 0 || modulusBytes > size - sizeof header - sizeof rsa)
    return lFail(NTE_BAD_TYPE);
  EVP_PKEY* publicKey = lRsaKey(blob + sizeof header + sizeof rsa, modulusBytes, rsa.pubexp);
  if (publicKey == nullptr) return lFail(NTE_BAD_KEY);
  *key = lAdd(gKeys, new Key{publicKey});
  return TRUE;
}

BOOL CryptDestroyKey(HCRYPTKEY key) {
  Key* object = lLive(gKeys, key);
  if (object == nullptr || !lRemove(gKeys, key)) return lFail(NTE_BAD_KEY);
  EVP_PKEY_free(object->key);
  delete object;
  return TRUE;
}

BOOL CryptVerifySignatureW(HCRYPTHASH hash, const BYTE* signature, DWORD size, HCRYPTKEY key, const WCHAR*,
                           DWORD flags) {
  Hash* hashObject = lLive(gHashes, hash);
  if (hashObject == nullptr) return lFail(NTE_BAD_HASH);
  Key* keyObject = lLive(gKeys, key);
  if (keyObject == nullptr) return lFail(NTE_BAD_KEY);
  if (flags != 0) return lFail(NTE_BAD_FLAGS);
  if (signature == nullptr || size == 0) return lFail(ERROR_INVALID_PARAMETER);
  // The digest so far; the hash object itself stays open.
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestBytes = 0;
  EVP_MD_CTX* copy = EVP_MD_CTX_new();
  const bool digested = copy != nullptr && EVP_MD_CTX_copy_ex(copy, hashObject->digest) == 1 &&
                        EVP_DigestFinal_ex(copy, digest, &digestBytes) == 1;
  EVP_MD_CTX_free(copy);
  if (!digested) return lFail(NTE_BAD_HASH);
  std::string bigEndian(reinterpret_cast<const char*>(signature), size);
  std::reverse(bigEndian.begin(), bigEndian.end());
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new(keyObject->key, nullptr);
  const int verified =
      context != nullptr && EVP_PKEY_verify_init(context) == 1 &&
              EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING) == 1 &&
              EVP_PKEY_CTX_set_signature_md(context, EVP_sha1()) == 1
          ? EVP_PKEY_verify(context, reinterpret_cast<const unsigned char*>(bigEndian.data()),
                            bigEndian.size(), digest, digestBytes)
          : -1;
  EVP_PKEY_CTX_free(context);
  if (verified == 1) return TRUE;
  return lFail(NTE_BAD_SIGNATURE);
}
