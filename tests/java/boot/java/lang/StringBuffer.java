package java.lang;

public final class StringBuffer {
    private char[] chars = new char[16];
    private int count;

    public StringBuffer() {
    }

    public StringBuffer(String s) {
        append(s);
    }

    public int length() {
        return count;
    }

    public StringBuffer append(char c) {
        if (count == chars.length) {
            char[] bigger = new char[chars.length * 2];
            for (int i = 0; i < count; i++) {
                bigger[i] = chars[i];
            }
            chars = bigger;
        }
        chars[count++] = c;
        return this;
    }

    public StringBuffer append(String s) {
        if (s == null) {
            s = "null";
        }
        for (int i = 0; i < s.length(); i++) {
            append(s.charAt(i));
        }
        return this;
    }

    public StringBuffer append(Object o) {
        return append(String.valueOf(o));
    }

    public StringBuffer append(int i) {
        if (i == -2147483648) {
            return append("-2147483648");
        }
        if (i < 0) {
            append('-');
            i = -i;
        }
        int start = count;
        do {
            append((char) ('0' + i % 10));
            i /= 10;
        } while (i != 0);
        for (int lo = start, hi = count - 1; lo < hi; lo++, hi--) {
            char t = chars[lo];
            chars[lo] = chars[hi];
            chars[hi] = t;
        }
        return this;
    }

    public String toString() {
        char[] copy = new char[count];
        for (int i = 0; i < count; i++) {
            copy[i] = chars[i];
        }
        return new String(copy);
    }
}
