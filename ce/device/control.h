// The control sub-commands of cedevice, clients of a root's device server:
//
//   run ROOT MODULE [CMDLINE]   starts a program as CreateProcessW does
//                               (starting the server when needed); "pid N"
//   windows ROOT                one line per window: HWND pid tid class
//                               title visibility, "*" before the foreground one
//   wait ROOT [--class C] [--title T] [--gone] [--timeout MS]
//                               until a matching top-level window exists
//                               (prints its HWND) or, with --gone, none does;
//                               10 s by default
//   post ROOT (HWND | --class C) MSG WPARAM LPARAM
//   log ROOT [--debug]          prints device.log (debug.log)
//   stop ROOT                   ends the server and its children
//
// Numbers are decimal or 0x hexadecimal. Exit status: 0 done, 1 failed or
// timed out (no server), 2 usage.
#pragma once

#include <string>
#include <vector>

// args[0] is the sub-command; -1 when it is none of these.
int vsCeDevice_control(const std::vector<std::string>& args);
