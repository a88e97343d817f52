// Class names and method signatures printed as Java writes them.
//
// Array classes are named by their encoded field type (two bytes of a class
// id), and signatures are stored encoded; the reports of the launcher print
// them as text: "java/lang/String", "[I", "[Ljava/lang/String;", and
// "([Ljava/lang/String;)V". The romizer's messages and classdump's dumps
// print through the same functions.
#pragma once

#include "vm/core/model/object_layout.h"
#include "vm/core/startup/output_stream.h"

// The class's name: the plain name of an instance class, the descriptor of
// an array class.
void vsTypeText_printClassName(const VsOutputStream* out, const ClassRecord* cls);
// The class as a field descriptor: "[I", "[Lname;", "Lname;" ("?" for none).
void vsTypeText_printDescriptor(const VsOutputStream* out, const ClassRecord* cls);
// One encoded type at p (a primitive letter, or the two bytes of a class
// id) as its descriptor; returns its length in bytes.
uint32_t vsTypeText_printEncodedType(const VsOutputStream* out, const uint8_t* p);
// The method descriptor of an encoded signature symbol.
void vsTypeText_printSignature(const VsOutputStream* out, VmRef signature);
