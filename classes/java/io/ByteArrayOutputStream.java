package java.io;

/**
 * Collects written bytes in buf, of which count are valid. A full buffer
 * grows to twice its size or to the size needed where that is more.
 */
public class ByteArrayOutputStream extends OutputStream {
    protected byte[] buf;
    protected int count;

    /** A buffer of 32 bytes to start. */
    public ByteArrayOutputStream() {
        this(32);
    }

    public ByteArrayOutputStream(int size) {
        if (size < 0) {
            throw new IllegalArgumentException("Negative initial size");
        }
        buf = new byte[size];
    }

    private void ensureCapacity(int minCapacity) {
        if (minCapacity > buf.length) {
            int newCapacity = buf.length << 1;
            if (newCapacity < minCapacity) {
                newCapacity = minCapacity;
            }
            byte[] grown = new byte[newCapacity];
            System.arraycopy(buf, 0, grown, 0, count);
            buf = grown;
        }
    }

    public synchronized void write(int b) {
        ensureCapacity(count + 1);
        buf[count++] = (byte) b;
    }

    public synchronized void write(byte[] b, int off, int len) {
        if (off < 0 || len < 0 || off > b.length - len) {
            throw new IndexOutOfBoundsException();
        }
        ensureCapacity(count + len);
        System.arraycopy(b, off, buf, count, len);
        count += len;
    }

    public synchronized void reset() {
        count = 0;
    }

    public synchronized byte[] toByteArray() {
        byte[] copy = new byte[count];
        System.arraycopy(buf, 0, copy, 0, count);
        return copy;
    }

    public synchronized int size() {
        return count;
    }

    public synchronized void close() throws IOException {
    }
}
