package java.lang;

/**
 * A growable sequence of characters: the first count chars of value.
 * Growth: a buffer too small for the new length grows to twice its
 * capacity plus two, or to the length needed where that is more.
 */
public final class StringBuffer {
    private char[] value;
    private int count;

    /** An empty buffer of capacity 16. */
    public StringBuffer() {
        this(16);
    }

    public StringBuffer(int length) {
        value = new char[length];
    }

    /** The characters of str, in a buffer of capacity length + 16. */
    public StringBuffer(String str) {
        this(str.length() + 16);
        append(str);
    }

    public synchronized int length() {
        return count;
    }

    public synchronized int capacity() {
        return value.length;
    }

    public synchronized void ensureCapacity(int minimumCapacity) {
        if (minimumCapacity > value.length) {
            expandCapacity(minimumCapacity);
        }
    }

    private void expandCapacity(int minimumCapacity) {
        int newCapacity = (value.length + 1) * 2;
        if (newCapacity < 0) {
            newCapacity = Integer.MAX_VALUE;
        } else if (minimumCapacity > newCapacity) {
            newCapacity = minimumCapacity;
        }
        char[] grown = new char[newCapacity];
        System.arraycopy(value, 0, grown, 0, count);
        value = grown;
    }

    /** Cuts the buffer to newLength chars or pads it with '\u0000'. */
    public synchronized void setLength(int newLength) {
        if (newLength < 0) {
            throw new StringIndexOutOfBoundsException(newLength);
        }
        ensureCapacity(newLength);
        for (int i = count; i < newLength; i++) {
            value[i] = '\0';
        }
        count = newLength;
    }

    public synchronized char charAt(int index) {
        checkIndex(index);
        return value[index];
    }

    public synchronized void getChars(int srcBegin, int srcEnd, char[] dst, int dstBegin) {
        if (srcBegin < 0 || srcBegin > srcEnd || srcEnd > count) {
            throw new StringIndexOutOfBoundsException(srcBegin < 0 ? srcBegin : srcEnd);
        }
        int n = srcEnd - srcBegin;
        if (dstBegin < 0 || dstBegin > dst.length - n) {
            throw new StringIndexOutOfBoundsException(dstBegin < 0 ? dstBegin : dstBegin + n);
        }
        System.arraycopy(value, srcBegin, dst, dstBegin, n);
    }

    public synchronized void setCharAt(int index, char ch) {
        checkIndex(index);
        value[index] = ch;
    }

    /** Appends String.valueOf(obj). */
    public StringBuffer append(Object obj) {
        return append(String.valueOf(obj));
    }

    /** Appends "null" for a null str. */
    public synchronized StringBuffer append(String str) {
        if (str == null) {
            str = "null";
        }
        int len = str.length();
        ensureCapacity(count + len);
        str.getChars(0, len, value, count);
        count += len;
        return this;
    }

    public synchronized StringBuffer append(char[] str) {
        return append(str, 0, str.length);
    }

    public synchronized StringBuffer append(char[] str, int offset, int len) {
        if (offset < 0 || len < 0 || offset > str.length - len) {
            throw new IndexOutOfBoundsException();
        }
        ensureCapacity(count + len);
        System.arraycopy(str, offset, value, count, len);
        count += len;
        return this;
    }

    public StringBuffer append(boolean b) {
        return append(String.valueOf(b));
    }

    public synchronized StringBuffer append(char c) {
        ensureCapacity(count + 1);
        value[count++] = c;
        return this;
    }

    public StringBuffer append(int i) {
        return append(Integer.toString(i));
    }

    public StringBuffer append(long l) {
        return append(Long.toString(l));
    }

    public StringBuffer append(float f) {
        return append(Float.toString(f));
    }

    public StringBuffer append(double d) {
        return append(Double.toString(d));
    }

    /** Removes the chars from start up to end (cut to the length). */
    public synchronized StringBuffer delete(int start, int end) {
        if (end > count) {
            end = count;
        }
        if (start < 0 || start > end) {
            throw new StringIndexOutOfBoundsException(start);
        }
        int len = end - start;
        if (len > 0) {
            System.arraycopy(value, end, value, start, count - end);
            count -= len;
        }
        return this;
    }

    public synchronized StringBuffer deleteCharAt(int index) {
        checkIndex(index);
        System.arraycopy(value, index + 1, value, index, count - index - 1);
        count--;
        return this;
    }

    /** Inserts String.valueOf(obj). */
    public StringBuffer insert(int offset, Object obj) {
        return insert(offset, String.valueOf(obj));
    }

    /** Inserts "null" for a null str. */
    public synchronized StringBuffer insert(int offset, String str) {
        if (offset < 0 || offset > count) {
            throw new StringIndexOutOfBoundsException(offset);
        }
        if (str == null) {
            str = "null";
        }
        int len = str.length();
        ensureCapacity(count + len);
        for (int i = count - 1; i >= offset; i--) {
            value[i + len] = value[i];
        }
        str.getChars(0, len, value, offset);
        count += len;
        return this;
    }

    public StringBuffer insert(int offset, char[] str) {
        return insert(offset, new String(str));
    }

    public StringBuffer insert(int offset, boolean b) {
        return insert(offset, String.valueOf(b));
    }

    public StringBuffer insert(int offset, char c) {
        return insert(offset, String.valueOf(c));
    }

    public StringBuffer insert(int offset, int i) {
        return insert(offset, Integer.toString(i));
    }

    public StringBuffer insert(int offset, long l) {
        return insert(offset, Long.toString(l));
    }

    public StringBuffer insert(int offset, float f) {
        return insert(offset, Float.toString(f));
    }

    public StringBuffer insert(int offset, double d) {
        return insert(offset, Double.toString(d));
    }

    /**
     * Reverses the chars; a high surrogate followed by a low one stays a
     * pair in that order.
     */
    public synchronized StringBuffer reverse() {
        int n = count - 1;
        for (int j = (n - 1) >> 1; j >= 0; j--) {
            char a = value[j];
            value[j] = value[n - j];
            value[n - j] = a;
        }
        for (int i = 0; i < count - 1; i++) {
            char lo = value[i];
            char hi = value[i + 1];
            if (lo >= '\uDC00' && lo <= '\uDFFF' && hi >= '\uD800' && hi <= '\uDBFF') {
                value[i] = hi;
                value[i + 1] = lo;
                i++;
            }
        }
        return this;
    }

    public synchronized String toString() {
        return new String(value, 0, count);
    }

    private void checkIndex(int index) {
        if (index < 0 || index >= count) {
            throw new StringIndexOutOfBoundsException(index);
        }
    }
}
