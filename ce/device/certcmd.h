// `cedevice cert ROOT add root|my FILE`: stores the DER certificate FILE in
// the device's "ROOT" or "MY" system certificate store (ce/crypt), under its
// SHA-1 thumbprint.
#pragma once

#include <string>
#include <vector>

// The exit status: 0 done, 1 failed (unreadable file, not a certificate,
// registry error), 2 usage.
int vsCeDevice_cert(const std::string& root, const std::vector<std::string>& arguments);
