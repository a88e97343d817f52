package tests;

/**
 * Math.sin, cos and tan, which may differ from HotSpot's by one unit in
 * the last place: each result prints as a "ULP" line of its bits, which
 * ulp_compare.py checks within one ulp. The arguments: the zeros, NaN,
 * the infinities, the extremes, multiples and fractions of pi, and
 * seeded random doubles of every magnitude.
 */
public final class Trig {
    private Trig() {
    }

    private static final double[] ARGUMENTS = {
        0.0, -0.0, Double.NaN, Double.POSITIVE_INFINITY, Double.NEGATIVE_INFINITY, Double.MAX_VALUE,
        -Double.MAX_VALUE, Double.MIN_VALUE, -Double.MIN_VALUE, 2.2250738585072014E-308, 1e-300, 1e-8, -1e-8,
        0.5, 1.0, -1.0, 2.0, 3.0, Math.PI / 6, Math.PI / 4, Math.PI / 3, Math.PI / 2, -Math.PI / 2, Math.PI,
        -Math.PI, 1.5 * Math.PI, 2 * Math.PI, 10.0, 100.0, 1e6, 1e10, 1e15, 1e22, 1e100, 1e300, -1e300,
        1.5707963267948966, 1.5707963267948968, 3.141592653589793, 3.1415926535897936, 6.283185307179586,
        0.7853981633974483, 0.7853981633974484, 710.0, 1048576.0, 1073741824.0, 1.0E20,
    };

    private static void line(String label, int k, double value) {
        Out.printString("ULP ");
        Line.at(label, k);
        Out.printLong(Double.doubleToLongBits(value));
        Out.newLine();
    }

    private static void all(int k, double x) {
        line("sin", k, Math.sin(x));
        line("cos", k, Math.cos(x));
        line("tan", k, Math.tan(x));
    }

    public static void main(String[] args) {
        for (int k = 0; k < ARGUMENTS.length; k++) {
            all(k, ARGUMENTS[k]);
        }
        long seed = 2024;
        for (int k = 0; k < 600; k++) {
            seed = seed * 6364136223846793005L + 1442695040888963407L;
            // Exponents spread over [-30, 70): tiny, ordinary and huge arguments.
            long exponent = 1023 - 30 + (seed >>> 33) % 100;
            seed = seed * 6364136223846793005L + 1442695040888963407L;
            long bits = (seed >>> 12) | (exponent << 52) | (k % 2 == 0 ? 0 : Long.MIN_VALUE);
            all(ARGUMENTS.length + k, Double.longBitsToDouble(bits));
        }
    }
}
