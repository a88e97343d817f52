package tests;

/**
 * The text of doubles and floats, one "D bits text" or "F bits text" line
 * each, for float_text_oracle.py to check: the corners of both types
 * (zeros, subnormals, the normal boundary, powers of two and ten, the
 * plain form's limits, the extremes, NaN and the infinities) and bit
 * patterns of a fixed pseudo-random sequence; the text comes in turn from
 * toString(x), the wrapper's toString() and StringBuffer.append.
 */
public final class FloatText {
    private FloatText() {
    }

    private static final double[] DOUBLES = {
        0.0, -0.0, 4.9e-324, 9.9e-324, 2.2250738585072009E-308, 2.2250738585072014E-308, 1.0, -1.0, 0.1, 0.5,
        2.0, 1e-3, 9.999999999999998E-4, 1e7, 9999999.999999998, 1e22, 1e23, 2e23, 5e-324 * 3,
        1.7976931348623157e308, 8.41E21, 5.0E-324, 1.0E-322, 123.456, 1e16, 2.0E-3, 4.35, 9.0071992547409920E15,
        Double.NaN, Double.POSITIVE_INFINITY, Double.NEGATIVE_INFINITY, 100.0, 1234567.0, 0.3, 2.98023223876953125E-8,
    };

    private static final float[] FLOATS = {
        0.0f, -0.0f, 1.4e-45f, 2.8e-45f, 1.17549435E-38f, 1.1754942E-38f, 1.0f, -1.0f, 0.1f, 0.3f, 1e-3f,
        9.999999E-4f, 1e7f, 9999999.0f, 3.4028235e38f, 1.0E10f, 16777216.0f, 3.3554432E7f, 2.0E-3f, 8.589973E9f,
        Float.NaN, Float.POSITIVE_INFINITY, Float.NEGATIVE_INFINITY, 123.456f, 1.0E-44f,
    };

    private static int source;

    private static String text(double d) {
        source = (source + 1) % 3;
        return source == 0 ? Double.toString(d) : source == 1 ? new Double(d).toString()
                : new StringBuffer().append(d).toString();
    }

    private static String text(float f) {
        source = (source + 1) % 3;
        return source == 0 ? Float.toString(f) : source == 1 ? new Float(f).toString()
                : new StringBuffer().append(f).toString();
    }

    private static void d(double d) {
        Out.printString("D ");
        Out.printLong(Double.doubleToLongBits(d));
        Out.printChar(' ');
        Out.printString(text(d));
        Out.newLine();
    }

    private static void f(float f) {
        Out.printString("F ");
        Out.printInt(Float.floatToIntBits(f));
        Out.printChar(' ');
        Out.printString(text(f));
        Out.newLine();
    }

    public static void main(String[] args) {
        int count = args.length > 0 ? Line.number(args[0]) : 100;
        for (int i = 0; i < DOUBLES.length; i++) {
            d(DOUBLES[i]);
            d(-DOUBLES[i]);
        }
        for (int i = 0; i < FLOATS.length; i++) {
            f(FLOATS[i]);
            f(-FLOATS[i]);
        }
        for (int p = -1074; p <= 1023; p += 7) {
            d(Double.longBitsToDouble(p < -1022 ? 1L << (p + 1074) : (long) (p + 1023) << 52));
        }
        double ten = 1;
        for (int p = 0; p <= 22; p++) {
            d(ten);
            d(1 / ten);
            f((float) ten);
            ten *= 10;
        }
        long seed = 2024;
        for (int i = 0; i < count; i++) {
            seed = seed * 6364136223846793005L + 1442695040888963407L;
            d(Double.longBitsToDouble(seed));
            f(Float.intBitsToFloat((int) (seed >>> 17)));
        }
    }
}
