package java.lang;

/**
 * A float value as an object. The two bit conversions are entered through
 * the virtual machine's own entries for them.
 */
public final class Float {
    private final float value;

    public Float(float value) {
        this.value = value;
    }

    public Float(double value) {
        this.value = (float) value;
    }

    public static native int floatToIntBits(float value);

    public static native float intBitsToFloat(int bits);
}
