package tests;

/**
 * Float and Double as objects over the corners of each type: equals and
 * hashCode (every NaN one value, -0.0 apart from 0.0), isNaN and
 * isInfinite of both forms, each xxxValue conversion, and the constants.
 */
public final class FloatObjects {
    private FloatObjects() {
    }

    private static final double[] DOUBLES = {
        0.0, -0.0, 1.0, -1.5, 0.0 / 0.0, Double.longBitsToDouble(0x7FF0000000000001L),
        Double.longBitsToDouble(0xFFF8000000000123L), Double.POSITIVE_INFINITY, Double.NEGATIVE_INFINITY,
        Double.MAX_VALUE, Double.MIN_VALUE, 3e9, -3e9, 1e19, -1e19, 200.7, -129.9, 65535.9, 2147483647.5,
    };

    private static final float[] FLOATS = {
        0.0f, -0.0f, 1.0f, -1.5f, 0.0f / 0.0f, Float.intBitsToFloat(0x7F800001), Float.intBitsToFloat(0xFFC00123),
        Float.POSITIVE_INFINITY, Float.NEGATIVE_INFINITY, Float.MAX_VALUE, Float.MIN_VALUE, 3e9f, -3e9f, 1e19f,
        200.7f, -129.9f, 65535.9f,
    };

    public static void main(String[] args) {
        Line.d("Double.MAX_VALUE", Double.MAX_VALUE);
        Line.d("Double.MIN_VALUE", Double.MIN_VALUE);
        Line.d("Double.NaN", Double.NaN);
        Line.d("Double.POSITIVE_INFINITY", Double.POSITIVE_INFINITY);
        Line.d("Double.NEGATIVE_INFINITY", Double.NEGATIVE_INFINITY);
        Line.f("Float.MAX_VALUE", Float.MAX_VALUE);
        Line.f("Float.MIN_VALUE", Float.MIN_VALUE);
        Line.f("Float.NaN", Float.NaN);
        Line.f("Float.POSITIVE_INFINITY", Float.POSITIVE_INFINITY);
        Line.f("Float.NEGATIVE_INFINITY", Float.NEGATIVE_INFINITY);
        for (int i = 0; i < DOUBLES.length; i++) {
            Double a = new Double(DOUBLES[i]);
            Line.at("double", i);
            Out.printInt(a.hashCode());
            Out.printChar(' ');
            Out.printBoolean(a.isNaN());
            Out.printBoolean(Double.isNaN(DOUBLES[i]));
            Out.printBoolean(a.isInfinite());
            Out.printBoolean(Double.isInfinite(DOUBLES[i]));
            Out.printChar(' ');
            Out.printInt(a.byteValue());
            Out.printChar(' ');
            Out.printInt(a.shortValue());
            Out.printChar(' ');
            Out.printInt(a.intValue());
            Out.printChar(' ');
            Out.printLong(a.longValue());
            Out.printChar(' ');
            Out.printInt(Float.floatToIntBits(a.floatValue()));
            Out.printChar(' ');
            Out.printLong(Double.doubleToLongBits(a.doubleValue()));
            for (int j = 0; j < DOUBLES.length; j++) {
                Out.printChar(a.equals(new Double(DOUBLES[j])) ? '=' : '.');
            }
            Out.printChar(a.equals(new Float((float) DOUBLES[i])) ? '=' : '.');
            Out.printChar(a.equals(null) ? '=' : '.');
            Out.newLine();
        }
        for (int i = 0; i < FLOATS.length; i++) {
            Float a = new Float(FLOATS[i]);
            Line.at("float", i);
            Out.printInt(a.hashCode());
            Out.printChar(' ');
            Out.printBoolean(a.isNaN());
            Out.printBoolean(Float.isNaN(FLOATS[i]));
            Out.printBoolean(a.isInfinite());
            Out.printBoolean(Float.isInfinite(FLOATS[i]));
            Out.printChar(' ');
            Out.printInt(a.byteValue());
            Out.printChar(' ');
            Out.printInt(a.shortValue());
            Out.printChar(' ');
            Out.printInt(a.intValue());
            Out.printChar(' ');
            Out.printLong(a.longValue());
            Out.printChar(' ');
            Out.printInt(Float.floatToIntBits(a.floatValue()));
            Out.printChar(' ');
            Out.printLong(Double.doubleToLongBits(a.doubleValue()));
            for (int j = 0; j < FLOATS.length; j++) {
                Out.printChar(a.equals(new Float(FLOATS[j])) ? '=' : '.');
            }
            Out.printChar(a.equals(new Double(FLOATS[i])) ? '=' : '.');
            Out.newLine();
            Line.at("float of double", i);
            Out.printInt(Float.floatToIntBits(new Float((double) FLOATS[i] * 1.0000001).floatValue()));
            Out.newLine();
        }
    }
}
