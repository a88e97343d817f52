package java.lang;

import com.sun.cldc.i18n.Helper;
import java.io.UnsupportedEncodingException;

/**
 * A sequence of characters: count characters of value from index offset.
 * The virtual machine reads the three fields by word number.
 */
public final class String {
    private final char[] value;
    private final int offset;
    private final int count;

    public String() {
        value = new char[0];
        offset = 0;
        count = 0;
    }

    public String(char[] value) {
        int n = value.length;
        char[] copy = new char[n];
        for (int i = 0; i < n; i++) {
            copy[i] = value[i];
        }
        this.value = copy;
        this.offset = 0;
        this.count = n;
    }

    public String(String value) {
        this.value = value.value;
        this.offset = value.offset;
        this.count = value.count;
    }

    /**
     * The count characters of value from offset on; a range outside the
     * array raises StringIndexOutOfBoundsException.
     */
    public String(char[] value, int offset, int count) {
        if (offset < 0 || count < 0 || offset > value.length - count) {
            throw new StringIndexOutOfBoundsException(offset < 0 ? offset : offset + count);
        }
        char[] copy = new char[count];
        for (int i = 0; i < count; i++) {
            copy[i] = value[offset + i];
        }
        this.value = copy;
        this.offset = 0;
        this.count = count;
    }

    /** The buffer's present characters. */
    public String(StringBuffer buffer) {
        this(buffer.toString());
    }

    /**
     * The chars that length bytes from offset decode to in the named
     * encoding (com.sun.cldc.i18n.Helper): an unknown name raises
     * UnsupportedEncodingException, then a range outside the array
     * StringIndexOutOfBoundsException.
     */
    public String(byte[] bytes, int offset, int length, String enc) throws UnsupportedEncodingException {
        if (enc == null) {
            throw new NullPointerException();
        }
        char[] chars = Helper.byteToCharArray(bytes, offset, length, enc);
        this.value = chars;
        this.offset = 0;
        this.count = chars.length;
    }

    public String(byte[] bytes, String enc) throws UnsupportedEncodingException {
        this(bytes, 0, bytes.length, enc);
    }

    /** The bytes decoded in the default encoding. */
    public String(byte[] bytes, int offset, int length) {
        char[] chars = Helper.byteToCharArray(bytes, offset, length);
        this.value = chars;
        this.offset = 0;
        this.count = chars.length;
    }

    public String(byte[] bytes) {
        this(bytes, 0, bytes.length);
    }

    /** The characters encoded in the named encoding (com.sun.cldc.i18n.Helper). */
    public byte[] getBytes(String enc) throws UnsupportedEncodingException {
        if (enc == null) {
            throw new NullPointerException();
        }
        return Helper.charToByteArray(value, offset, count, enc);
    }

    /** The characters encoded in the default encoding. */
    public byte[] getBytes() {
        return Helper.charToByteArray(value, offset, count);
    }

    public int length() {
        return count;
    }

    public char charAt(int index) {
        if (index < 0 || index >= count) {
            throw new StringIndexOutOfBoundsException(index);
        }
        return value[offset + index];
    }

    /**
     * Copies the characters from srcBegin up to srcEnd into dst from
     * dstBegin on.
     */
    public void getChars(int srcBegin, int srcEnd, char[] dst, int dstBegin) {
        if (srcBegin < 0) {
            throw new StringIndexOutOfBoundsException(srcBegin);
        }
        if (srcEnd > count) {
            throw new StringIndexOutOfBoundsException(srcEnd);
        }
        if (srcBegin > srcEnd) {
            throw new StringIndexOutOfBoundsException(srcEnd - srcBegin);
        }
        int n = srcEnd - srcBegin;
        if (dstBegin < 0 || dstBegin > dst.length - n) {
            throw new StringIndexOutOfBoundsException(dstBegin < 0 ? dstBegin : dstBegin + n);
        }
        for (int i = 0; i < n; i++) {
            dst[dstBegin + i] = value[offset + srcBegin + i];
        }
    }

    public char[] toCharArray() {
        char[] copy = new char[count];
        getChars(0, count, copy, 0);
        return copy;
    }

    /** True for a String of the same characters. */
    public native boolean equals(Object anObject);

    /** The sum of s[i]*31^(n-1-i) over the characters. */
    public native int hashCode();

    public String toString() {
        return this;
    }

    public String substring(int beginIndex) {
        return substring(beginIndex, count);
    }

    /** The chars from beginIndex up to endIndex, sharing this string's array. */
    public String substring(int beginIndex, int endIndex) {
        if (beginIndex < 0) {
            throw new StringIndexOutOfBoundsException(beginIndex);
        }
        if (endIndex > count) {
            throw new StringIndexOutOfBoundsException(endIndex);
        }
        if (beginIndex > endIndex) {
            throw new StringIndexOutOfBoundsException(endIndex - beginIndex);
        }
        if (beginIndex == 0 && endIndex == count) {
            return this;
        }
        return new String(offset + beginIndex, endIndex - beginIndex, value);
    }

    /** Shares value: for substrings, whose array is never written. */
    private String(int offset, int count, char[] value) {
        this.value = value;
        this.offset = offset;
        this.count = count;
    }

    public String concat(String str) {
        int otherLen = str.length();
        if (otherLen == 0) {
            return this;
        }
        char[] buf = new char[count + otherLen];
        getChars(0, count, buf, 0);
        str.getChars(0, otherLen, buf, count);
        return new String(0, buf.length, buf);
    }

    /** True where prefix's chars stand at toffset; false for an offset outside. */
    public native boolean startsWith(String prefix, int toffset);

    public boolean startsWith(String prefix) {
        return startsWith(prefix, 0);
    }

    public boolean endsWith(String suffix) {
        return startsWith(suffix, count - suffix.count);
    }

    /**
     * True where len chars from toffset equal those of other from ooffset;
     * ignoring case, two chars are equal where their upper cases are or the
     * lower cases of those are. A region outside a string is false.
     */
    public boolean regionMatches(boolean ignoreCase, int toffset, String other, int ooffset, int len) {
        if (ooffset < 0 || toffset < 0 || toffset > (long) count - len || ooffset > (long) other.count - len) {
            return false;
        }
        for (int i = 0; i < len; i++) {
            char c1 = value[offset + toffset + i];
            char c2 = other.value[other.offset + ooffset + i];
            if (c1 == c2) {
                continue;
            }
            if (ignoreCase) {
                char u1 = Character.toUpperCase(c1);
                char u2 = Character.toUpperCase(c2);
                if (u1 == u2 || Character.toLowerCase(u1) == Character.toLowerCase(u2)) {
                    continue;
                }
            }
            return false;
        }
        return true;
    }

    public boolean equalsIgnoreCase(String anotherString) {
        return this == anotherString
                || (anotherString != null && anotherString.count == count
                        && regionMatches(true, 0, anotherString, 0, count));
    }

    public int indexOf(int ch) {
        return indexOf(ch, 0);
    }

    public int lastIndexOf(int ch) {
        return lastIndexOf(ch, count - 1);
    }

    /** The index of the last occurrence of ch at or before fromIndex, or -1. */
    public int lastIndexOf(int ch, int fromIndex) {
        for (int i = fromIndex >= count ? count - 1 : fromIndex; i >= 0; i--) {
            if (value[offset + i] == ch) {
                return i;
            }
        }
        return -1;
    }

    public int indexOf(String str) {
        return indexOf(str, 0);
    }

    /** The index of the first occurrence of str at or after fromIndex, or -1. */
    public int indexOf(String str, int fromIndex) {
        if (fromIndex < 0) {
            fromIndex = 0;
        }
        if (str.count == 0) {
            return fromIndex < count ? fromIndex : count;
        }
        int found = indexOf0(str, fromIndex);
        while (found < -1) {
            found = indexOf0(str, found);
        }
        return found;
    }

    /**
     * One step of the search for a non-empty str from fromIndex: its index,
     * -1 when it does not occur, or below -1 after a partial match, which
     * passed back as fromIndex goes on behind that match.
     */
    private native int indexOf0(String str, int fromIndex);

    /**
     * The one String of these characters that the virtual machine keeps:
     * this string when no equal one was kept before.
     */
    public native String intern();

    /** Every oldChar replaced by newChar; this string where none occurs. */
    public native String replace(char oldChar, char newChar);

    /** Without the chars up to ' ' at both ends; this string where none. */
    public String trim() {
        int begin = 0;
        int end = count;
        while (begin < end && value[offset + begin] <= ' ') {
            begin++;
        }
        while (begin < end && value[offset + end - 1] <= ' ') {
            end--;
        }
        return substring(begin, end);
    }

    /** Char by char through Character.toLowerCase; this string where no char changes. */
    public String toLowerCase() {
        return mapCase(false);
    }

    /** Char by char through Character.toUpperCase; this string where no char changes. */
    public String toUpperCase() {
        return mapCase(true);
    }

    private String mapCase(boolean upper) {
        char[] buf = null;
        for (int i = 0; i < count; i++) {
            char c = value[offset + i];
            char m = upper ? Character.toUpperCase(c) : Character.toLowerCase(c);
            if (m != c && buf == null) {
                buf = toCharArray();
            }
            if (buf != null) {
                buf[i] = m;
            }
        }
        return buf == null ? this : new String(0, count, buf);
    }

    /** "null" for null, else the object's toString(). */
    public static String valueOf(Object obj) {
        return obj == null ? "null" : obj.toString();
    }

    public static String valueOf(char[] data) {
        return new String(data);
    }

    public static String valueOf(char[] data, int offset, int count) {
        return new String(data, offset, count);
    }

    public static String valueOf(boolean b) {
        return b ? "true" : "false";
    }

    public static String valueOf(char c) {
        char[] one = { c };
        return new String(one, 0, 1);
    }

    public static String valueOf(int i) {
        return Integer.toString(i);
    }

    public static String valueOf(long l) {
        return Long.toString(l);
    }

    public static String valueOf(float f) {
        return Float.toString(f);
    }

    public static String valueOf(double d) {
        return Double.toString(d);
    }

    /**
     * The index of the first occurrence of the character from fromIndex on,
     * or -1. Entered through the virtual machine's own entry for it.
     */
    public native int indexOf(int ch, int fromIndex);

    /**
     * Compares two strings by their characters: the difference of the first
     * two characters that differ, else the difference of the lengths. The
     * virtual machine enters it through its own entry when the argument is
     * not null; this code serves a null argument.
     */
    public int compareTo(String anotherString) {
        int n = count < anotherString.count ? count : anotherString.count;
        char[] a = value;
        char[] b = anotherString.value;
        int i = offset;
        int j = anotherString.offset;
        for (int k = 0; k < n; k++) {
            int d = a[i + k] - b[j + k];
            if (d != 0) {
                return d;
            }
        }
        return count - anotherString.count;
    }
}
