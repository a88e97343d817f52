// The names that the romizer's messages and its ordering use: class names
// as text ("java/lang/Object", "[I" for arrays) and methods as
// "class.name".
#pragma once

#include <string>

#include "vm/core/model/object_layout.h"

std::string romizer_symbolText(VmRef symbol);
// A class record's name; array classes by their descriptor.
std::string romizer_className(VmRef cls);
// "holder.name" of a method record, read through its own pool.
std::string romizer_methodName(VmRef method);
