package com.sun.cldc.i18n.j2me;

import java.io.IOException;
import java.io.InputStream;
import java.io.Reader;

/**
 * Reads UTF-8. A code point above 0xFFFF becomes a surrogate pair. Each
 * malformed part becomes one U+FFFD: a byte that cannot start a sequence;
 * a lead byte whose next byte does not fit it (the lead alone); a lead
 * and the bytes that fit after it but no more; an encoded surrogate
 * (three bytes); a sequence cut by the end of the stream (all of it).
 *
 * Undecoded bytes wait in bytes[head, tail), so a sequence cut between
 * two reads of the stream decodes whole once its rest arrives.
 */
public class UTF8_Reader extends Reader {
    private static final char REPLACEMENT = '\uFFFD';
    /** decodeStep's answer when the buffered bytes end inside a sequence. */
    private static final int NEED_MORE = -1;

    private InputStream in;
    private final byte[] bytes = new byte[256];
    private int head;
    private int tail;
    private boolean eof;
    /** The low surrogate of a pair whose high one has been read, or 0. */
    private char pendingLow;

    public UTF8_Reader(InputStream in) {
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
            int n = 0;
            if (pendingLow != 0) {
                cbuf[off + n++] = pendingLow;
                pendingLow = 0;
            }
            while (n < len) {
                int c = head < tail ? decodeStep() : NEED_MORE;
                if (c == NEED_MORE) {
                    if (eof || n > 0) {
                        break;
                    }
                    fill();
                    continue;
                }
                if (c > 0xFFFF) {
                    c -= 0x10000;
                    cbuf[off + n++] = (char) (0xD800 + (c >> 10));
                    char low = (char) (0xDC00 + (c & 0x3FF));
                    if (n == len) {
                        pendingLow = low;
                        break;
                    }
                    cbuf[off + n++] = low;
                } else {
                    cbuf[off + n++] = (char) c;
                }
            }
            return n == 0 ? -1 : n;
        }
    }

    /** Reads more bytes after the undecoded ones; sets eof at the end. */
    private void fill() throws IOException {
        if (head > 0) {
            for (int i = head; i < tail; i++) {
                bytes[i - head] = bytes[i];
            }
            tail -= head;
            head = 0;
        }
        int n = in.read(bytes, tail, bytes.length - tail);
        if (n < 0) {
            eof = true;
        } else {
            tail += n;
        }
    }

    private static boolean isContinuation(int b) {
        return (b & 0xC0) == 0x80;
    }

    /** Whether b2 cannot follow the lead b1 of a three-byte sequence. */
    private static boolean badSecondOf3(int b1, int b2) {
        return (b1 == (byte) 0xE0 && (b2 & 0xE0) == 0x80) || !isContinuation(b2);
    }

    /** Whether b2 cannot follow the lead u1 (unsigned) of a four-byte sequence. */
    private static boolean badSecondOf4(int u1, int b2) {
        int u2 = b2 & 0xFF;
        return u1 > 0xF4 || (u1 == 0xF0 && (u2 < 0x90 || u2 > 0xBF)) || (u1 == 0xF4 && (u2 & 0xF0) != 0x80)
                || !isContinuation(b2);
    }

    /** Replaces count bytes by U+FFFD. */
    private int malformed(int count) {
        head += count;
        return REPLACEMENT;
    }

    /**
     * The code point of the sequence at head, consuming it, or NEED_MORE
     * (consuming nothing) when the sequence may go on past tail and the
     * stream has not ended.
     */
    private int decodeStep() {
        int avail = tail - head;
        int b1 = bytes[head];
        if (b1 >= 0) {
            head++;
            return b1;
        }
        if ((b1 >> 5) == -2 && (b1 & 0x1E) != 0) {
            if (avail < 2) {
                return eof ? malformed(avail) : NEED_MORE;
            }
            int b2 = bytes[head + 1];
            if (!isContinuation(b2)) {
                return malformed(1);
            }
            head += 2;
            return ((b1 & 0x1F) << 6) | (b2 & 0x3F);
        }
        if ((b1 >> 4) == -2) {
            if (avail >= 2 && badSecondOf3(b1, bytes[head + 1])) {
                return malformed(1);
            }
            if (avail < 3) {
                return eof ? malformed(avail) : NEED_MORE;
            }
            int b3 = bytes[head + 2];
            if (!isContinuation(b3)) {
                return malformed(2);
            }
            int c = ((b1 & 0x0F) << 12) | ((bytes[head + 1] & 0x3F) << 6) | (b3 & 0x3F);
            head += 3;
            return c >= 0xD800 && c <= 0xDFFF ? REPLACEMENT : c;
        }
        if ((b1 >> 3) == -2) {
            int u1 = b1 & 0xFF;
            if (u1 > 0xF4 || (avail >= 2 && badSecondOf4(u1, bytes[head + 1]))) {
                return malformed(1);
            }
            if (avail >= 3 && !isContinuation(bytes[head + 2])) {
                return malformed(2);
            }
            if (avail < 4) {
                return eof ? malformed(avail) : NEED_MORE;
            }
            int b4 = bytes[head + 3];
            if (!isContinuation(b4)) {
                return malformed(3);
            }
            int c = ((u1 & 0x07) << 18) | ((bytes[head + 1] & 0x3F) << 12) | ((bytes[head + 2] & 0x3F) << 6)
                    | (b4 & 0x3F);
            head += 4;
            return c;
        }
        return malformed(1);
    }

    public boolean ready() throws IOException {
        synchronized (lock) {
            ensureOpen();
            return pendingLow != 0 || head < tail || in.available() > 0;
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
