// Natives of com.sun.cldcvk.io.ConsoleOutputStream, the console stream
// under System.out: bytes go to vsSys_consoleWrite (written while console
// output is on). Naming and conventions as in thread_natives.h.
#pragma once

// write(I)V: the argument's low byte.
extern "C" void Java_com_sun_cldcvk_io_ConsoleOutputStream_write();
// private writeBytes([BII)V: len bytes of b from off; a null array, a
// negative offset or length, or a range past the array's end writes
// nothing.
extern "C" void Java_com_sun_cldcvk_io_ConsoleOutputStream_writeBytes();
