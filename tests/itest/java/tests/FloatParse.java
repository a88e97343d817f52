package tests;

/**
 * Double.parseDouble, Double.valueOf, Float.parseFloat and Float.valueOf
 * as bits: a table of texts (the rounding cases at the midpoints, the
 * subnormal and overflow limits, signs, suffixes, spaces, NaN and
 * Infinity, the forms refused) and decimals of a fixed pseudo-random
 * sequence with up to 25 digits and exponents across both types' ranges
 * (as many as the first argument asks, 500 without one).
 */
public final class FloatParse {
    private FloatParse() {
    }

    private static final String[] TEXTS = {
        "0", "-0", "+0.0", "1", "-1", "1.00000017881393432617187499", "1.000000178813934326171875",
        "1.00000017881393432617187501", "2.4703282292062327e-324", "2.4703282292062328e-324",
        "4.9e-324", "1.7976931348623157e308", "1.7976931348623158e308", "1.7976931348623159e308", "1e309",
        "1e-400", "3.4028235e38", "3.4028236e38", "3.40282357e38", "1.4e-45", "7.0e-46", "7.1e-46",
        "0.1", ".5", "5.", "1e10", "1E+10", "1e-10", "12.5f", "12.5F", "12.5d", "12.5D", "  7.25  ", "\t8\n",
        "NaN", "-NaN", "+NaN", "Infinity", "-Infinity", "+Infinity", "00012.500", "0.000001",
        "123456789012345678901234567890", "9007199254740993", "9007199254740992.5", "9007199254740993.0001",
        "2.2250738585072011e-308", "2.2250738585072012e-308", "1.1754942E-38", "1.17549435E-38",
        "0.0000000000000000000000000000000000000000001e40", "100000000000000000000000e-23",
        "", " ", ".", "e5", "1e", "1e+", "+", "-", "1,5", "1.5.5", "1e5.5", "NaNf", "Infinityd",
        "infinity", "nan", "1 5", "1ee5", "--1", "1f5", "1_0", "\u0661",
    };

    private static void one(String label, int k, String text) {
        Line.at(label, k);
        try {
            Out.printLong(Double.doubleToLongBits(Double.parseDouble(text)));
        } catch (NumberFormatException e) {
            Out.printString("NumberFormatException");
        }
        Out.printChar(' ');
        try {
            Out.printLong(Double.doubleToLongBits(Double.valueOf(text).doubleValue()));
        } catch (NumberFormatException e) {
            Out.printString("NumberFormatException");
        }
        Out.printChar(' ');
        try {
            Out.printInt(Float.floatToIntBits(Float.parseFloat(text)));
        } catch (NumberFormatException e) {
            Out.printString("NumberFormatException");
        }
        Out.printChar(' ');
        try {
            Out.printInt(Float.floatToIntBits(Float.valueOf(text).floatValue()));
        } catch (NumberFormatException e) {
            Out.printString("NumberFormatException");
        }
        Out.newLine();
    }

    public static void main(String[] args) {
        int count = args.length > 0 ? Line.number(args[0]) : 500;
        for (int k = 0; k < TEXTS.length; k++) {
            one("text", k, TEXTS[k]);
        }
        try {
            Double.parseDouble(null);
            Line.s("null", "no exception");
        } catch (NullPointerException e) {
            Line.s("null", "NullPointerException");
        }
        long seed = 7;
        for (int k = 0; k < count; k++) {
            StringBuffer b = new StringBuffer();
            seed = seed * 6364136223846793005L + 1442695040888963407L;
            int digits = 1 + (int) ((seed >>> 33) % 25);
            int point = (int) ((seed >>> 20) % (digits + 1));
            for (int i = 0; i < digits; i++) {
                seed = seed * 6364136223846793005L + 1442695040888963407L;
                if (i == point) {
                    b.append('.');
                }
                b.append((char) ('0' + (int) ((seed >>> 33) % 10)));
            }
            seed = seed * 6364136223846793005L + 1442695040888963407L;
            int exponent = (int) ((seed >>> 33) % 700) - 350;
            if (k % 3 == 0) {
                exponent = exponent / 8;
            }
            b.append('e').append(exponent);
            one("random", k, b.toString());
        }
    }
}
