package java.lang;

/** A short value as an object. */
public final class Short {
    public static final short MIN_VALUE = -32768;
    public static final short MAX_VALUE = 32767;

    private final short value;

    public Short(short value) {
        this.value = value;
    }

    public short shortValue() {
        return value;
    }

    public static short parseShort(String s) throws NumberFormatException {
        return parseShort(s, 10);
    }

    /** As Integer.parseInt, for the short range. */
    public static short parseShort(String s, int radix) throws NumberFormatException {
        int v = Integer.parseInt(s, radix);
        if (v < MIN_VALUE || v > MAX_VALUE) {
            throw new NumberFormatException(s);
        }
        return (short) v;
    }

    public boolean equals(Object obj) {
        return obj instanceof Short && ((Short) obj).value == value;
    }

    public int hashCode() {
        return value;
    }

    public String toString() {
        return Long.toString(value, 10);
    }
}
