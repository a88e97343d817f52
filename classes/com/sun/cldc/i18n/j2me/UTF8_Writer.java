package com.sun.cldc.i18n.j2me;

import java.io.IOException;
import java.io.OutputStream;
import java.io.Writer;

/**
 * Writes UTF-8: one to three bytes a char, four a surrogate pair (even one
 * cut between two writes), '?' a lone surrogate.
 */
public class UTF8_Writer extends Writer {
    private OutputStream out;
    /** A high surrogate that ended the last write, or 0. */
    private char pendingHigh;

    public UTF8_Writer(OutputStream out) {
        this.out = out;
    }

    public void write(char[] cbuf, int off, int len) throws IOException {
        synchronized (lock) {
            ensureOpen();
            if (off < 0 || len < 0 || off > cbuf.length - len) {
                throw new IndexOutOfBoundsException();
            }
            byte[] bytes = new byte[3 * len + 4];
            int n = 0;
            int end = off + len;
            for (int i = off; i < end; i++) {
                int c = cbuf[i];
                if (pendingHigh != 0) {
                    char high = pendingHigh;
                    pendingHigh = 0;
                    if (c >= 0xDC00 && c <= 0xDFFF) {
                        n = putPair(bytes, n, high, c);
                        continue;
                    }
                    bytes[n++] = '?';
                }
                if (c < 0x80) {
                    bytes[n++] = (byte) c;
                } else if (c < 0x800) {
                    bytes[n++] = (byte) (0xC0 | (c >> 6));
                    bytes[n++] = (byte) (0x80 | (c & 0x3F));
                } else if (c >= 0xD800 && c <= 0xDBFF) {
                    pendingHigh = (char) c;
                } else if (c >= 0xDC00 && c <= 0xDFFF) {
                    bytes[n++] = '?';
                } else {
                    bytes[n++] = (byte) (0xE0 | (c >> 12));
                    bytes[n++] = (byte) (0x80 | ((c >> 6) & 0x3F));
                    bytes[n++] = (byte) (0x80 | (c & 0x3F));
                }
            }
            out.write(bytes, 0, n);
        }
    }

    private static int putPair(byte[] bytes, int n, int high, int low) {
        int c = 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
        bytes[n++] = (byte) (0xF0 | (c >> 18));
        bytes[n++] = (byte) (0x80 | ((c >> 12) & 0x3F));
        bytes[n++] = (byte) (0x80 | ((c >> 6) & 0x3F));
        bytes[n++] = (byte) (0x80 | (c & 0x3F));
        return n;
    }

    public void flush() throws IOException {
        synchronized (lock) {
            ensureOpen();
            out.flush();
        }
    }

    public void close() throws IOException {
        synchronized (lock) {
            if (out == null) {
                return;
            }
            if (pendingHigh != 0) {
                pendingHigh = 0;
                out.write('?');
            }
            out.close();
            out = null;
        }
    }

    private void ensureOpen() throws IOException {
        if (out == null) {
            throw new IOException("Stream closed");
        }
    }
}
