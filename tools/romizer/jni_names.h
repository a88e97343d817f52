// The names of the functions of native methods: the Java Native Interface
// mangling, which the class image and the VM's native functions share.
//
// A native m of class a/b/C is the function Java_a_b_C_m. Names are
// mangled unit by unit of their UTF-16 form: letters and digits of ASCII
// stay, '/' becomes '_', '_' becomes "_1", ';' "_2", '[' "_3", and every
// other unit "_0" and its four lowercase hexadecimal digits ('$' is
// "_00024"). When a class has more than one native of a name, each of them
// adds "__" and its mangled argument descriptor (the text between the
// parentheses): Java_a_b_C_m__I, Java_a_b_C_m___3Ljava_lang_String_2J.
//
// Input names are the modified UTF-8 of the class file. A text that is not
// well-formed modified UTF-8 gives the empty name.
#pragma once

#include <string>

// The mangled form of a class name, method name or argument descriptor.
std::string romizer_jniMangle(const std::string& text);

// The function's name; with argumentDescriptor (overloaded natives) the
// long form. Empty when a part is not well-formed.
std::string romizer_jniName(const std::string& className, const std::string& methodName,
                            const std::string* argumentDescriptor);
