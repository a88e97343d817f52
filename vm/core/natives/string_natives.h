// Natives of java.lang.String. Naming and conventions as in
// thread_natives.h.
#pragma once

// intern()Ljava/lang/String;: the String of equal characters from the VM's
// table of interned Strings (the image's, then the heap table), the
// receiver itself entered when there is none (vsJavaHeap_internStringObject).
extern "C" void Java_java_lang_String_intern();
// equals(Ljava/lang/Object;)Z: true for the receiver itself; false for null,
// for an object that is not a String and for another count; else the units
// decide.
extern "C" void Java_java_lang_String_equals();
// startsWith(Ljava/lang/String;I)Z: NullPointerException (code 0) for a
// null prefix; false for an offset outside [0, count - prefix count]; else
// the units decide (an empty prefix matches).
extern "C" void Java_java_lang_String_startsWith();
// hashCode()I: h = 31*h + unit over the units, from 0.
extern "C" void Java_java_lang_String_hashCode();
// replace(CC)Ljava/lang/String;: the receiver when the two are equal or the
// old unit does not occur; else a new String with every old unit replaced
// (null with OutOfMemoryError pending when it cannot be made).
extern "C" void Java_java_lang_String_replace();
// indexOf0(Ljava/lang/String;I)I, the substring search, in steps: from >= 0
// starts the scan at from, a from below -1 resumes it at -from - 1. The
// first position at or after the start whose unit equals the argument's
// first unit is compared whole: the index when all units match, -(i + 2)
// when they differ (call again with that to go on), -1 when no position is
// left. The caller passes a non-empty argument.
extern "C" void Java_java_lang_String_indexOf0();
