// `cedevice init ROOT`: makes a device root usable.
//
// It creates the device's directories (one table) and the host-only .ce/
// directory with the registry, and writes the registry defaults (one
// table) where they are absent. A second run changes no file or value that
// exists, except the values given as options, which are written every time.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct CeDeviceInitOptions {
  std::string phone;  // HKLM "Device\Phone" "Number" (--phone), when not empty
  std::string smsc;   // HKLM "Device\Phone" "SmscAddress" (--smsc), when not empty
};

// 0 when done; else prints the failure on standard error and returns 1.
int vsCeDevice_init(const std::string& root, const CeDeviceInitOptions& options = {});

// Program links: a symbolic link at each CE path to its program, from the
// links table (programs in the directory of `bin`, rows whose program is not
// there skipped) and from `extra` ({CE path, host file}, as `--link
// CEPATH=FILE` gives them). An existing link or file is kept. 0 when done,
// else prints the failure and returns 1.
int vsCeDevice_link(const std::string& root, const std::string& bin,
                    const std::vector<std::pair<std::string, std::string>>& extra);
