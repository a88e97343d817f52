// The URL-checker registry: the one Java class (dotted name) that vets URLs,
// read by the URLChecker native. A VM variable, cleared before every run;
// the name is kept by pointer (the built-in parts register constants).
#pragma once

#include <cstdint>

// No checker.
void vsURLChecker_initialize();
// 0, or -1 with a log line for a null name. A checker already set is
// replaced, with the warning "vsURLChecker: Overwrite NEW with OLD.".
int32_t vsURLChecker_registerClassName(const char* className);
// The checker's class name, or null.
const char* vsURLChecker_getClassName();
