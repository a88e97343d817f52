package tests;

/**
 * Math's exact members over tables with the corners of each type: abs,
 * max and min (NaN, the zeros, the extremes), toRadians, toDegrees, the
 * constants, and sqrt, ceil and floor, all as bits.
 */
public final class Maths {
    private Maths() {
    }

    private static final int[] INTS = { 0, 1, -1, 7, -7, Integer.MAX_VALUE, Integer.MIN_VALUE };

    private static final long[] LONGS = { 0L, 1L, -1L, 1L << 40, -(1L << 40), Long.MAX_VALUE, Long.MIN_VALUE };

    private static final float[] FLOATS = {
        0.0f, -0.0f, 1.0f, -1.0f, 2.5f, -2.5f, Float.NaN, Float.POSITIVE_INFINITY, Float.NEGATIVE_INFINITY,
        Float.MAX_VALUE, Float.MIN_VALUE, -Float.MIN_VALUE, 1.17549435E-38f
    };

    private static final double[] DOUBLES = {
        0.0, -0.0, 1.0, -1.0, 2.5, -2.5, 0.5, -0.5, 1e300, 4.9e-324, -4.9e-324, Double.NaN,
        Double.POSITIVE_INFINITY, Double.NEGATIVE_INFINITY, Double.MAX_VALUE, 2.2250738585072014E-308,
        1.0000000000000002, 4503599627370495.5, -4503599627370495.5, 9007199254740993.0, 123.456, -0.3
    };

    public static void main(String[] args) {
        Line.d("E", Math.E);
        Line.d("PI", Math.PI);
        for (int i = 0; i < INTS.length; i++) {
            Line.at("abs int", i);
            Out.printInt(Math.abs(INTS[i]));
            for (int j = 0; j < INTS.length; j++) {
                Out.printChar(' ');
                Out.printInt(Math.max(INTS[i], INTS[j]));
                Out.printChar(' ');
                Out.printInt(Math.min(INTS[i], INTS[j]));
            }
            Out.newLine();
        }
        for (int i = 0; i < LONGS.length; i++) {
            Line.at("abs long", i);
            Out.printLong(Math.abs(LONGS[i]));
            for (int j = 0; j < LONGS.length; j++) {
                Out.printChar(' ');
                Out.printLong(Math.max(LONGS[i], LONGS[j]));
                Out.printChar(' ');
                Out.printLong(Math.min(LONGS[i], LONGS[j]));
            }
            Out.newLine();
        }
        for (int i = 0; i < FLOATS.length; i++) {
            Line.at("abs float", i);
            Out.printInt(Float.floatToIntBits(Math.abs(FLOATS[i])));
            for (int j = 0; j < FLOATS.length; j++) {
                Out.printChar(' ');
                Out.printInt(Float.floatToIntBits(Math.max(FLOATS[i], FLOATS[j])));
                Out.printChar(' ');
                Out.printInt(Float.floatToIntBits(Math.min(FLOATS[i], FLOATS[j])));
            }
            Out.newLine();
        }
        for (int i = 0; i < DOUBLES.length; i++) {
            double a = DOUBLES[i];
            Line.at("abs double", i);
            Out.printLong(Double.doubleToLongBits(Math.abs(a)));
            for (int j = 0; j < DOUBLES.length; j++) {
                Out.printChar(' ');
                Out.printLong(Double.doubleToLongBits(Math.max(a, DOUBLES[j])));
                Out.printChar(' ');
                Out.printLong(Double.doubleToLongBits(Math.min(a, DOUBLES[j])));
            }
            Out.newLine();
            Line.at("toRadians", i);
            Out.printLong(Double.doubleToLongBits(Math.toRadians(a)));
            Out.newLine();
            Line.at("toDegrees", i);
            Out.printLong(Double.doubleToLongBits(Math.toDegrees(a)));
            Out.newLine();
            Line.at("sqrt ceil floor", i);
            Out.printLong(Double.doubleToLongBits(Math.sqrt(a)));
            Out.printChar(' ');
            Out.printLong(Double.doubleToLongBits(Math.ceil(a)));
            Out.printChar(' ');
            Out.printLong(Double.doubleToLongBits(Math.floor(a)));
            Out.newLine();
        }
    }
}
