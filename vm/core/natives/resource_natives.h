// Natives of com.sun.cldc.io.ResourceInputStream: a class-path resource,
// read whole into a byte array, and reads from that array. Naming and
// conventions as in thread_natives.h; all four are static natives.
//
// Every outside argument is checked: a null array, a position outside
// the data, a negative offset or length, or a copy past the end of the
// destination answers -1 and copies nothing.
#pragma once

// open(Ljava/lang/String;)Ljava/lang/Object;: the resource of the name (as
// given: no '.' to '/' swap) from the class path, with the JAR reader's
// existence-query flag set meanwhile; the byte array, or null.
// OutOfMemoryError when the name's UTF-8 form finds no memory.
extern "C" void Java_com_sun_cldc_io_ResourceInputStream_open();
// read(Ljava/lang/Object;I)I: the byte at pos, 0-255; -1 for null data or
// pos outside [0, length).
extern "C" void Java_com_sun_cldc_io_ResourceInputStream_read();
// readBytes(Ljava/lang/Object;II[BI)I: n = min(length - pos, len) bytes
// copied from pos to b[off]: n when n > 0, else -1.
extern "C" void Java_com_sun_cldc_io_ResourceInputStream_readBytes();
// size(Ljava/lang/Object;)I: the data's length (0 for null).
extern "C" void Java_com_sun_cldc_io_ResourceInputStream_size();
