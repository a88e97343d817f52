package java.io;

/**
 * A sink of chars. Subclasses give write(char[], int, int), flush() and
 * close(); lock is the object its operations synchronise on.
 */
public abstract class Writer {
    protected Object lock;

    protected Writer() {
        this.lock = this;
    }

    protected Writer(Object lock) {
        if (lock == null) {
            throw new NullPointerException();
        }
        this.lock = lock;
    }

    /** Writes the low 16 bits of c. */
    public void write(int c) throws IOException {
        char[] one = { (char) c };
        write(one, 0, 1);
    }

    public void write(char[] cbuf) throws IOException {
        write(cbuf, 0, cbuf.length);
    }

    public abstract void write(char[] cbuf, int off, int len) throws IOException;

    public void write(String str) throws IOException {
        write(str, 0, str.length());
    }

    public void write(String str, int off, int len) throws IOException {
        char[] cbuf = new char[len];
        str.getChars(off, off + len, cbuf, 0);
        write(cbuf, 0, len);
    }

    public abstract void flush() throws IOException;

    public abstract void close() throws IOException;
}
