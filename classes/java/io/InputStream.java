package java.io;

/** A source of bytes. Subclasses give read(); the rest is built on it. */
public abstract class InputStream {
    public InputStream() {
    }

    /** The next byte, 0 to 255, or -1 at the end of the stream. */
    public abstract int read() throws IOException;

    public int read(byte[] b) throws IOException {
        return read(b, 0, b.length);
    }

    /**
     * Reads up to len bytes into b from off on, byte by byte until the end
     * or a first failure after at least one byte; the count read, or -1 at
     * the end of the stream.
     */
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
        int c = read();
        if (c == -1) {
            return -1;
        }
        b[off] = (byte) c;
        int i = 1;
        try {
            for (; i < len; i++) {
                c = read();
                if (c == -1) {
                    break;
                }
                b[off + i] = (byte) c;
            }
        } catch (IOException ee) {
        }
        return i;
    }

    /** Reads and drops up to n bytes; the count dropped. */
    public long skip(long n) throws IOException {
        long remaining = n;
        while (remaining > 0) {
            if (read() == -1) {
                break;
            }
            remaining--;
        }
        return n > 0 ? n - remaining : 0;
    }

    public int available() throws IOException {
        return 0;
    }

    public void close() throws IOException {
    }

    public synchronized void mark(int readlimit) {
    }

    public synchronized void reset() throws IOException {
        throw new IOException("mark/reset not supported");
    }

    public boolean markSupported() {
        return false;
    }
}
