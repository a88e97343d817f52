// Natives of java.lang.System. Naming and conventions as in
// thread_natives.h; the natives are static, so their arguments are the
// parameters from 1 on.
#pragma once

// identityHashCode(Ljava/lang/Object;)I: the object's identity hash, as
// Object.hashCode gives it (vsMonitor_ensureHash); 0 for null.
extern "C" void Java_java_lang_System_identityHashCode();
// currentTimeMillis()J: the VM clock (vsOs_currentTimeMillis).
extern "C" void Java_java_lang_System_currentTimeMillis();
// arraycopy(Ljava/lang/Object;ILjava/lang/Object;II)V, in this order:
//   1. src or dst null: NullPointerException (107);
//   2. two arrays of references: bounds outside either array or a negative
//      position or length: ArrayIndexOutOfBoundsException (0); else
//      vsObjectArray_copy (ArrayStoreException 110 at the first element
//      that does not fit);
//   3. two primitive arrays of one element type: the same bounds check,
//      then an overlap-safe move;
//   4. anything else: ArrayStoreException (108), whatever the bounds.
// The interpreter's intrinsic entry copies the cases that cannot fail and
// calls this native for the rest.
extern "C" void Java_java_lang_System_arraycopy();
// private static getProperty0(Ljava/lang/String;)Ljava/lang/String;: the
// key, as UTF-8, asked of vsSys_getProperty; the value as a new String, or
// null. OutOfMemoryError when the key's UTF-8 form finds no memory.
extern "C" void Java_java_lang_System_getProperty0();
