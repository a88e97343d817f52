// The hook that JAR class loading calls for every class it reads: an
// application archive may not supply classes of the platform's packages.
#pragma once

// Ends the VM through its fatal-error path with "Cannot load system package
// from Jar" when the class (slash form) read from jarName lies in a system
// package; returns otherwise.
void vsSys_checkSystemPackage(const char* className, const char* jarName);
