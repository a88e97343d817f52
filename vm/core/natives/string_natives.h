// Natives of java.lang.String. Naming and conventions as in
// thread_natives.h.
#pragma once

// intern()Ljava/lang/String;: the String of equal characters from the VM's
// table of interned Strings (the image's, then the heap table), the
// receiver itself entered when there is none (vsJavaHeap_internStringObject).
extern "C" void Java_java_lang_String_intern();
