// The system hooks that the natives call: this system's answers to their
// questions, defined by the VM services (vm/services/lifecycle) under these
// fixed names, so that the core does not include the services.
#pragma once

#include <cstdint>

// Ends the VM with the status (vsVm_exit).
[[noreturn]] void vsSys_abort(int32_t status);
// Whether Runtime.exit may stop the VM: never.
int32_t vsSys_allowRuntimeExit();
// A system property's value as NUL-terminated UTF-8 (vsProperty_getUtf8),
// or null; vsSys_freeProperty releases a value (nothing to do).
const char* vsSys_getProperty(const char* key);
void vsSys_freeProperty(const char* value);
// Set while Throwable.printStackTrace prints.
void vsSys_setPrintingStackTrace(int32_t on);
// Writes n bytes to the console when console output is on.
void vsSys_consoleWrite(const char* bytes, int32_t n);
// The platform's say on a class of the image that application code asks
// for by name (no archive name): 0 accepts it.
int32_t vsSys_checkClassSource(const char* className, int32_t length, const char* jarName);
// Milliseconds since 1970 (the VM clock).
int64_t vsOs_currentTimeMillis();
// Blocks of the memory service: a block of size bytes or null, and its
// release.
void* vsMemory_allocPointer(int32_t size);
int32_t vsMemory_freePointer(void* pointer);
