package java.lang;

/**
 * An int value as an object, and the conversions of ints to and from text:
 * signed in radixes 2 to 36 (through Long's), unsigned in radixes 2, 8 and
 * 16.
 */
public final class Integer {
    public static final int MIN_VALUE = 0x80000000;
    public static final int MAX_VALUE = 0x7fffffff;

    private final int value;

    public Integer(int value) {
        this.value = value;
    }

    public byte byteValue() {
        return (byte) value;
    }

    public short shortValue() {
        return (short) value;
    }

    public int intValue() {
        return value;
    }

    public long longValue() {
        return value;
    }

    public float floatValue() {
        return (float) value;
    }

    public double doubleValue() {
        return (double) value;
    }

    public boolean equals(Object obj) {
        return obj instanceof Integer && ((Integer) obj).value == value;
    }

    public int hashCode() {
        return value;
    }

    public String toString() {
        return Long.toString(value, 10);
    }

    public static String toString(int i) {
        return Long.toString(i, 10);
    }

    /** As Long.toString(long, int) of i. */
    public static String toString(int i, int radix) {
        return Long.toString(i, radix);
    }

    public static String toHexString(int i) {
        return toUnsignedString(i, 4);
    }

    public static String toOctalString(int i) {
        return toUnsignedString(i, 3);
    }

    public static String toBinaryString(int i) {
        return toUnsignedString(i, 1);
    }

    /** The digits of i as an unsigned number in the radix 2^shift. */
    private static String toUnsignedString(int i, int shift) {
        char[] buf = new char[32];
        int pos = 32;
        int mask = (1 << shift) - 1;
        do {
            buf[--pos] = Long.digitChar(i & mask);
            i >>>= shift;
        } while (i != 0);
        return new String(buf, pos, 32 - pos);
    }

    public static int parseInt(String s) throws NumberFormatException {
        return parseInt(s, 10);
    }

    /** As Long.parseLong, for the int range. */
    public static int parseInt(String s, int radix) throws NumberFormatException {
        long v = Long.parseLong(s, radix);
        if (v < MIN_VALUE || v > MAX_VALUE) {
            throw new NumberFormatException(s);
        }
        return (int) v;
    }

    public static Integer valueOf(String s) throws NumberFormatException {
        return new Integer(parseInt(s, 10));
    }

    public static Integer valueOf(String s, int radix) throws NumberFormatException {
        return new Integer(parseInt(s, radix));
    }
}
