package java.lang;

/**
 * A float value as an object. The two bit conversions are entered through
 * the virtual machine's own entries for them; floatToIntBits gives every
 * NaN as 0x7FC00000, so equals and hashCode treat all NaNs as one value
 * and tell -0.0f from 0.0f.
 */
public final class Float {
    public static final float POSITIVE_INFINITY = 1.0f / 0.0f;
    public static final float NEGATIVE_INFINITY = -1.0f / 0.0f;
    public static final float NaN = 0.0f / 0.0f;
    public static final float MAX_VALUE = 3.4028235e+38f;
    public static final float MIN_VALUE = 1.4e-45f;

    private final float value;

    public Float(float value) {
        this.value = value;
    }

    public Float(double value) {
        this.value = (float) value;
    }

    public static boolean isNaN(float v) {
        return v != v;
    }

    public static boolean isInfinite(float v) {
        return v == POSITIVE_INFINITY || v == NEGATIVE_INFINITY;
    }

    public boolean isNaN() {
        return isNaN(value);
    }

    public boolean isInfinite() {
        return isInfinite(value);
    }

    public byte byteValue() {
        return (byte) value;
    }

    public short shortValue() {
        return (short) value;
    }

    public int intValue() {
        return (int) value;
    }

    public long longValue() {
        return (long) value;
    }

    public float floatValue() {
        return value;
    }

    public double doubleValue() {
        return value;
    }

    public int hashCode() {
        return floatToIntBits(value);
    }

    public boolean equals(Object obj) {
        return obj instanceof Float && floatToIntBits(((Float) obj).value) == floatToIntBits(value);
    }

    public static native int floatToIntBits(float value);

    public static native float intBitsToFloat(int bits);

    public String toString() {
        return toString(value);
    }

    public static Float valueOf(String s) throws NumberFormatException {
        return new Float(parseFloat(s));
    }

    public static float parseFloat(String s) throws NumberFormatException {
        return intBitsToFloat((int) Double.parse(s, 23, -149, 104));
    }

    /** The text of f, as Double's text of a double but for float's precision. */
    public static String toString(float f) {
        int bits = floatToIntBits(f);
        int exponent = (bits >>> 23) & 0xFF;
        int fraction = bits & 0x7FFFFF;
        if (exponent == 0xFF) {
            return fraction != 0 ? "NaN" : bits < 0 ? "-Infinity" : "Infinity";
        }
        if (exponent == 0) {
            return Double.toText(bits < 0, fraction, -149, false);
        }
        return Double.toText(bits < 0, fraction | (1 << 23), exponent - 150, fraction == 0 && exponent > 1);
    }
}
