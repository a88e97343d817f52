// CE paths onto the device root.
//
// A CE path is absolute ("\" or "/" first, no drive); it maps to
// <CE_ROOT>/<components>. Components are matched without regard to ASCII
// case: an exact host name first, else the first name of a directory scan
// (in byte order) that folds equal; a component that does not exist keeps
// the caller's spelling, and so do all after it. "." is dropped.
//
// Refused with ERROR_ACCESS_DENIED: "..", a first component ".ce" (the
// layer's own files), and a symbolic link whose target leaves the root,
// except links directly in \Windows or \Program Files\Vostel (the links to
// the device's programs). A path that is not absolute: ERROR_PATH_NOT_FOUND.
// With CE_ROOT unset every mapping fails with ERROR_PATH_NOT_FOUND and the
// process writes "CE_ROOT is not set" to standard error once.
#pragma once

#include <string>

#include "ce/core/windows_types.h"

// The host path of a CE path; false with the last error set when refused.
bool vsCeFs_hostPath(const WCHAR* cePath, std::string* hostPath);

// The device root (CE_ROOT), or false with ERROR_PATH_NOT_FOUND.
bool vsCeFs_deviceRoot(std::string* root);

// Splits a CE path at its last separator into the directory (the CE path up
// to it, "\" for the root) and the last component.
bool vsCeFs_splitLast(const WCHAR* cePath, std::u16string* directory, std::u16string* last);

// Whether name matches a pattern of "*" and "?" without regard to ASCII
// case; "*.*" matches every name.
bool vsCeFs_matchPattern(const std::string& pattern, const std::string& name);

// Forgets the per-process state (the warning once given), for tests.
void vsCeFs_reset();
