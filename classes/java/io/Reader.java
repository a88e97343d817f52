package java.io;

/**
 * A source of chars. Subclasses give read(char[], int, int) and close();
 * lock is the object its operations synchronise on.
 */
public abstract class Reader {
    protected Object lock;

    protected Reader() {
        this.lock = this;
    }

    protected Reader(Object lock) {
        if (lock == null) {
            throw new NullPointerException();
        }
        this.lock = lock;
    }

    /** The next char, or -1 at the end of the stream. */
    public int read() throws IOException {
        char[] cb = new char[1];
        return read(cb, 0, 1) == -1 ? -1 : cb[0];
    }

    public int read(char[] cbuf) throws IOException {
        return read(cbuf, 0, cbuf.length);
    }

    public abstract int read(char[] cbuf, int off, int len) throws IOException;

    /** Reads and drops up to n chars; the count dropped. */
    public long skip(long n) throws IOException {
        if (n < 0L) {
            throw new IllegalArgumentException("skip value is negative");
        }
        int size = (int) (n < 8192 ? n : 8192);
        char[] skipBuffer = new char[size];
        synchronized (lock) {
            long r = n;
            while (r > 0) {
                int nc = read(skipBuffer, 0, (int) (r < size ? r : size));
                if (nc == -1) {
                    break;
                }
                r -= nc;
            }
            return n - r;
        }
    }

    public boolean ready() throws IOException {
        return false;
    }

    public boolean markSupported() {
        return false;
    }

    public void mark(int readAheadLimit) throws IOException {
        throw new IOException("mark() not supported");
    }

    public void reset() throws IOException {
        throw new IOException("reset() not supported");
    }

    public abstract void close() throws IOException;
}
