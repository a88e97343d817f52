// `cedevice reg ROOT get|set|del|export ...`: reads and edits the registry
// of a device from the host.
//
//   get KEY NAME                 prints the value: text, decimal DWORD, or
//                                hex bytes for other types
//   set KEY NAME sz|dword VALUE  creates the key when needed
//   del KEY [NAME]               deletes the value, or the key with its
//                                sub-keys
//   export [KEY]                 prints the key (all roots when omitted) and
//                                every sub-key: "[KEY]" lines, then
//                                "NAME=sz:TEXT", "NAME=dword:N" or
//                                "NAME=hex:BYTES" lines
//
// KEY is written "HKCU\...", "HKLM\..." (or the full root name). Text is
// UTF-8 on the command line and UTF-16 in the registry.
#pragma once

#include <string>
#include <vector>

// The exit status: 0 done, 1 failed (missing key or value, registry
// error), 2 usage.
int vsCeDevice_reg(const std::string& root, const std::vector<std::string>& arguments);
