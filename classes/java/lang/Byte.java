package java.lang;

/** A byte value as an object. */
public final class Byte {
    public static final byte MIN_VALUE = -128;
    public static final byte MAX_VALUE = 127;

    private final byte value;

    public Byte(byte value) {
        this.value = value;
    }

    public byte byteValue() {
        return value;
    }

    public static byte parseByte(String s) throws NumberFormatException {
        return parseByte(s, 10);
    }

    /** As Integer.parseInt, for the byte range. */
    public static byte parseByte(String s, int radix) throws NumberFormatException {
        int v = Integer.parseInt(s, radix);
        if (v < MIN_VALUE || v > MAX_VALUE) {
            throw new NumberFormatException(s);
        }
        return (byte) v;
    }

    public boolean equals(Object obj) {
        return obj instanceof Byte && ((Byte) obj).value == value;
    }

    public int hashCode() {
        return value;
    }

    public String toString() {
        return Long.toString(value, 10);
    }
}
