package com.sun.cldc.i18n.j2me;

import java.io.IOException;
import java.io.InputStream;
import java.io.Reader;

/**
 * Reads ISO-8859-1: each byte is the char of the same code.
 */
public class ISO8859_1_Reader extends Reader {
    private InputStream in;
    private byte[] bytes = new byte[0];

    public ISO8859_1_Reader(InputStream in) {
        this.in = in;
    }

    public int read(char[] cbuf, int off, int len) throws IOException {
        synchronized (lock) {
            ensureOpen();
            if (off < 0 || len < 0 || off > cbuf.length - len) {
                throw new IndexOutOfBoundsException();
            }
            if (len == 0) {
                return 0;
            }
            if (bytes.length < len) {
                bytes = new byte[len];
            }
            int n = in.read(bytes, 0, len);
            for (int i = 0; i < n; i++) {
                cbuf[off + i] = (char) (bytes[i] & 0xFF);
            }
            return n;
        }
    }

    public boolean ready() throws IOException {
        synchronized (lock) {
            ensureOpen();
            return in.available() > 0;
        }
    }

    public void close() throws IOException {
        synchronized (lock) {
            if (in != null) {
                in.close();
                in = null;
            }
        }
    }

    private void ensureOpen() throws IOException {
        if (in == null) {
            throw new IOException("Stream closed");
        }
    }
}
