package java.lang;

/**
 * A double value as an object. The two bit conversions are entered through
 * the virtual machine's own entries for them.
 */
public final class Double {
    private final double value;

    public Double(double value) {
        this.value = value;
    }

    public static native long doubleToLongBits(double value);

    public static native double longBitsToDouble(long bits);
}
