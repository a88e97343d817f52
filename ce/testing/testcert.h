// Test certificates and signatures made with OpenSSL over two fixed RSA
// keys (0 and 1): the same inputs give the same bytes in every run, so the
// certificates can seed fuzz corpora.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

struct VsTestCertSpec {
  // Name components in order, by OpenSSL's short names ("C", "O", "OU",
  // "CN", ...); an empty issuer means self-issued.
  std::vector<std::pair<std::string, std::string>> subject;
  std::vector<std::pair<std::string, std::string>> issuer;
  int64_t serial = 1;
  time_t notBefore = 1577836800;  // 2020-01-01
  time_t notAfter = 4102444800;   // 2100-01-01
  int subjectKey = 0;             // the key the certificate holds
  int signingKey = 0;             // the key that signs it
};

// The DER certificate.
std::string vsTestCert_make(const VsTestCertSpec& spec);
// The RSA PKCS#1 v1.5 SHA-1 signature of data with a key, most-significant
// byte first (as `openssl dgst -sha1 -sign` writes it).
std::string vsTestCert_sign(int key, const std::string& data);
