// Linking a class loaded from the class path, and the verify-only walk
// over the whole class path.
//
// Linking runs at the start of a class's initialisation (Class.verifyClass)
// and, in verify-only mode, right after each class of the class path is
// loaded. With UseVerifier set, a class that is neither verified nor part
// of the class image is verified (verifier.h, which also replaces its maps
// by compact ones), and then every method of exactly five bytecode bytes is
// offered the fast field-getter entry. With UseVerifier clear, linking does
// nothing: class creation has compressed the maps already.
#pragma once

#include "vm/core/model/object_layout.h"

// False with the verification failure pending.
bool vsClass_link(const VmRef* cls);

// Verify-only mode: every ".class" entry of every class-path archive is
// loaded under its name without ".class" and linked. True when all pass;
// otherwise the pending exception is cleared and the exit status becomes
// -2 when it was the preallocated OutOfMemoryError, else -1. An element
// that is no existing file fails with VM error 135.
bool vsVerifier_verifyClassPath();
