// JAR signatures: the signer's certificate ("MIDlet-Certificate-1-1") and
// the RSA SHA-1 signature of the JAR ("MIDlet-Jar-RSA-SHA1"), both base64 in
// the JAD, checked with the CE cryptography calls against the device's
// "ROOT" and "PERSONAL" stores, and the signer's subject mapped to a
// protection domain through the ROM tree's "_dn.idx".
//
// Invariants: a certificate is trusted only when a store holds a
// byte-identical copy that is valid now (finding one by issuer and serial
// is not enough); the signature is handed to CryptVerifySignatureW least
// significant byte first; a subject matches a "_dn.idx" entry only when its
// component values, in order and whole, equal the entry's six values
// (missing ones empty): more than six components or a value of 64 bytes or
// more match nothing. Every handle and buffer is released on every path.
#pragma once

#include <cstdint>
#include <string>

#include "ce/crypt/wincrypt.h"
#include "storage/bytebuf.h"

// The value of an attribute of a JAD or manifest text (the key at a line
// start); empty when absent.
std::string getJadAttributeValue(const char* text, int32_t length, const char* name);

// 1 when the store holds a byte-identical copy of the certificate valid now.
int32_t ojms_isCertInStore(const WCHAR* store, PCCERT_CONTEXT certificate);
// The name as X.500 text with "; " between components (CP_ACP bytes).
std::string ojms_certSubjectText(const CERT_NAME_BLOB* name);
// The certificate's RSA public-key blob into out; 0, or -1.
int32_t ojms_decodePublicKey(PCCERT_CONTEXT certificate, cByteBuf* out);
// A SHA-1 hash object of the provider; 0, or -1.
int32_t ojms_createSha1Hash(HCRYPTPROV provider, HCRYPTHASH* hash);

// 1 verified and trusted (the subject text written, cut to size bytes with
// its NUL); 0 unsigned (no certificate or no signature); -1 not trusted,
// not valid now or a wrong signature; -2 a platform call failed.
int32_t ojms_verifyJarSignature(const char* jad, int32_t jadLength, const uint8_t* jar, int32_t jarLength,
                                char* subject, int32_t size);
// 0 with *domain set (0 for an unsigned suite), or -1 with *status 909
// (authentication failure) or 256 (a platform call failed).
int32_t ojms_checkSigner(const char* jad, int32_t jadLength, const uint8_t* jar, int32_t jarLength,
                         int32_t* domain, int32_t* status);
