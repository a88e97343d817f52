package com.sun.cldcvk.io;

import java.io.OutputStream;

/** The console of the virtual machine, under System.out: bytes as they are. */
public class ConsoleOutputStream extends OutputStream {
    /** Writes the low byte of b. */
    public native void write(int b);

    /**
     * Writes len bytes of b from off. A null array throws
     * NullPointerException, a range outside it IndexOutOfBoundsException.
     */
    public void write(byte[] b, int off, int len) {
        if (b == null) {
            throw new NullPointerException();
        }
        if (off < 0 || len < 0 || off > b.length - len) {
            throw new IndexOutOfBoundsException();
        }
        writeBytes(b, off, len);
    }

    private native void writeBytes(byte[] b, int off, int len);
}
