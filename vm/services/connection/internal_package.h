// The internal-package restriction: an application may not define classes
// in the runtime's own packages.
//
// Up to 10 registered lists of package prefixes in slash form, where a '.'
// of a prefix also matches a '/' of a class name ("a.b." matches
// "a/b/Main"); the built-in list holds "jp/co/orvex/cldc/". The table is a
// VM variable whose initial state is the built-in list alone, so every run
// starts with it.
#pragma once

#include <cstdint>

inline constexpr uint32_t kVsInternalPackage_maxLists = 10;

// Back to the built-in list alone.
void vsInternalClassAccessRestriction_initialize();

// Adds a null-terminated list (kept by pointer: it must stay valid). A list
// with a prefix of at least 5 bytes that begins with "java/" is refused with
// a message, and the VM run ends with exit code -1; so does an eleventh list.
void vsInternalClassAccessRestriction_registerPackageNames(const char* const* prefixes);

// Stops the VM with the fatal error "Cannot use class in Vostel internal
// package" when a registered prefix matches the class name (of `length`
// bytes, slash form).
void vsInternalClassAccessRestriction_check(const char* className, int32_t length);
