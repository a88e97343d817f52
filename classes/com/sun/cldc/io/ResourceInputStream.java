package com.sun.cldc.io;

import java.io.IOException;
import java.io.InputStream;

/**
 * A resource of the class path, read whole by the virtual machine into a
 * byte array that this stream reads from.
 */
public class ResourceInputStream extends InputStream {
    private Object data;
    private int pos;

    /** The resource of the name ("a/b.png"); IOException when there is none. */
    public ResourceInputStream(String name) throws IOException {
        data = open(name);
        if (data == null) {
            throw new IOException();
        }
    }

    public int read() throws IOException {
        int b = read(data, pos);
        if (b >= 0) {
            pos++;
        }
        return b;
    }

    public int read(byte[] b, int off, int len) throws IOException {
        if (b == null) {
            throw new NullPointerException();
        }
        if (off < 0 || len < 0 || off > b.length - len) {
            throw new IndexOutOfBoundsException();
        }
        if (len == 0) {
            return 0;
        }
        int n = readBytes(data, pos, len, b, off);
        if (n > 0) {
            pos += n;
        }
        return n;
    }

    public int available() throws IOException {
        return data == null ? 0 : size(data) - pos;
    }

    public void close() throws IOException {
        data = null;
    }

    /** The resource's bytes, or null when the class path has none of the name. */
    private static native Object open(String name);

    /** The byte at pos, 0-255, or -1 outside the data. */
    private static native int read(Object data, int pos);

    /**
     * Copies up to len bytes from pos into b from off: the count, or -1
     * when none is left (or the arguments are not valid).
     */
    private static native int readBytes(Object data, int pos, int len, byte[] b, int off);

    /** The length of the data. */
    private static native int size(Object data);
}
