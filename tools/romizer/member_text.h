// Class and method names of the romizer's model as the class file spells
// them: what the lists of natives name and the messages of the romizer
// print.
#pragma once

#include <string>

#include "vm/core/model/object_layout.h"

// The class name in internal form ("java/lang/String"); an array class
// gives its descriptor ("[I").
std::string romizer_className(const ClassRecord* cls);

// The method descriptor, decoded from the method's encoded signature:
// "(I[Ljava/lang/String;)V".
std::string romizer_methodDescriptor(const MethodRecord* method);

// The method name.
std::string romizer_methodName(const MethodRecord* method);
