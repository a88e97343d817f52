// Hooks of class loading by fixed names: the platform's say on where a class
// may come from, on the functions of natives and on the class-file search.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"

// For a class (slash form, `length` bytes) read from "/app.jar", applies the
// internal-package restriction (which stops the VM on a match). Returns 0:
// nothing further is objected to.
int32_t vsSys_checkClassSource(const char* className, int32_t length, const char* jarName);

// The function of a native method, by class and method name: none (0); the
// natives of loaded classes stay unbound.
VmWord vsSys_findNativeFunction(const char* className, const char* methodName);

// Whether the class-file search should be skipped: never (false).
bool vsSys_skipClassFileSearch();
