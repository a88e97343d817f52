// The system-package test: whether a class found in a JAR belongs to one of
// the platform's packages, which an application JAR may not supply.
//
// Built-in packages ("java/", "javax/", "com/vostel/", "jp/co/orvex/cldc/")
// are plain prefixes of the class name. The built-in parts may register up to
// five further lists of prefixes; a list is a null-terminated array of
// package prefixes in slash form, where a '.' also matches a '/'. Classes of
// the platform's own archives ("/sys.jar", "/ext.jar") are never refused.
// The lists are VM variables, emptied before every run.
#pragma once

#include <cstdint>

inline constexpr uint32_t kVsSystemPackage_maxLists = 5;

// Forgets every registered list.
void vsSystemPackage_initialize();

// Adds a list (kept by pointer: it must be static). A sixth list ends the VM
// run with exit code -1.
void vsSystemPackage_register(const char* const* prefixes);

// 1 when the class (slash form, NUL-terminated) from the archive jarName is a
// system class, else 0.
int32_t vsSystemPackage_isSystemClass(const char* className, const char* jarName);
