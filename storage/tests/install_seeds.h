// The signer and install inputs shared by the seed writer and the fuzz
// targets: a fixed signer certificate (the test signer of "_dn.idx", key 0)
// and JAD and JAR pairs framed as one input: u16 JAD length (little
// endian), the JAD, the JAR.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Base64 of bytes (the form of the signature attributes).
std::string vsInstallSeeds_base64(const std::string& bytes);
// The signer's DER certificate, the same bytes in every run.
std::string vsInstallSeeds_signer();
// JAD and JAR as one fuzz input.
std::string vsInstallSeeds_frame(const std::string& jad, const std::string& jar);
// The named inputs: valid, signed, certificate only, wrong size, with
// permissions.
std::vector<std::pair<std::string, std::string>> vsInstallSeeds_all();
