package com.sun.cldc.i18n.j2me;

import java.io.IOException;
import java.io.OutputStream;
import java.io.Writer;

/**
 * Writes ISO-8859-1: a char up to 0xFF as its byte, any other as '?', a
 * surrogate pair (even one cut between two writes) as a single '?'.
 */
public class ISO8859_1_Writer extends Writer {
    private OutputStream out;
    /** A high surrogate that ended the last write, or 0. */
    private char pendingHigh;

    public ISO8859_1_Writer(OutputStream out) {
        this.out = out;
    }

    public void write(char[] cbuf, int off, int len) throws IOException {
        synchronized (lock) {
            ensureOpen();
            if (off < 0 || len < 0 || off > cbuf.length - len) {
                throw new IndexOutOfBoundsException();
            }
            byte[] bytes = new byte[len + 1];
            int n = 0;
            int i = off;
            int end = off + len;
            if (pendingHigh != 0 && len > 0) {
                pendingHigh = 0;
                bytes[n++] = '?';
                if (cbuf[i] >= '\uDC00' && cbuf[i] <= '\uDFFF') {
                    i++;
                }
            }
            for (; i < end; i++) {
                char c = cbuf[i];
                if (c <= 0xFF) {
                    bytes[n++] = (byte) c;
                    continue;
                }
                if (c >= '\uD800' && c <= '\uDBFF') {
                    if (i + 1 == end) {
                        pendingHigh = c;
                        break;
                    }
                    if (cbuf[i + 1] >= '\uDC00' && cbuf[i + 1] <= '\uDFFF') {
                        i++;
                    }
                }
                bytes[n++] = '?';
            }
            out.write(bytes, 0, n);
        }
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
