// The native-method interface: what natives and the VM services use to
// reach the core.
//
// vsNativeMethod_fatalError ends the VM when a native or service cannot go
// on: the message goes as one line to the VM's log stream, then the VM ends
// with fatal error code 134.
#pragma once

[[noreturn]] void vsNativeMethod_fatalError(const char* message);
