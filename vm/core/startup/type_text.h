// Class names and method signatures printed as Java writes them.
//
// Array classes are named by their encoded field type (two bytes of a class
// id), and signatures are stored encoded; the reports of the launcher print
// them as text: "java/lang/String", "[I", "[Ljava/lang/String;", and
// "([Ljava/lang/String;)V".
#pragma once

#include "vm/core/model/object_layout.h"
#include "vm/core/startup/output_stream.h"

// The class's name: the plain name of an instance class, the descriptor of
// an array class.
void vsTypeText_printClassName(const VsOutputStream* out, const ClassRecord* cls);
// The method descriptor of an encoded signature symbol.
void vsTypeText_printSignature(const VsOutputStream* out, VmRef signature);
