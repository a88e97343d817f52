package tests;

/**
 * Integer, long, float and double arithmetic at its edges, and the
 * conversions between them. Each table runs every operation over every
 * operand (pair) and prints the results.
 */
public final class Arith {
    private static final int[] INTS = {
        0, 1, -1, 2, -2, 7, -7, 127, 128, -129, 255, 32767, 32768, 65535,
        65536, 0x12345678, 0x7fffffff, 0x80000000, 0x80000001, 0xfffffffe
    };

    private static final long[] LONGS = {
        0L, 1L, -1L, 7L, -7L, 0x7fffffffL, 0x80000000L, -0x80000000L,
        0xffffffffL, 0x100000000L, 0x123456789abcdefL, 0x7fffffffffffffffL,
        0x8000000000000000L, 0x8000000000000001L, 0xfffffffffffffffeL
    };

    private static final int[] SHIFTS = {0, 1, 31, 32, 33, 63, 64, -1, -32, 100};

    private static final int[] FLOAT_BITS = {
        0x00000000, 0x80000000, 0x3f800000, 0xbf800000, 0x3f800001,
        0x33800000, 0x33c00000, 0x34000000, 0x00000001, 0x80000001,
        0x00000003, 0x007fffff, 0x00800000, 0x00800001, 0x7f7fffff,
        0xff7fffff, 0x7f800000, 0xff800000, 0x7fc00000, 0x7f800001,
        0x40490fdb, 0x4b800000, 0x4b800001, 0x3effffff, 0x3f000000,
        0x3fc00000, 0x40200000, 0xcf000000, 0x4f000000, 0x5f000000, 0xdf000000
    };

    private static final long[] DOUBLE_BITS = {
        0x0000000000000000L, 0x8000000000000000L, 0x3ff0000000000000L,
        0xbff0000000000000L, 0x3ff0000000000001L, 0x3ca0000000000000L,
        0x3cb0000000000000L, 0x3cb8000000000000L, 0x0000000000000001L,
        0x8000000000000001L, 0x000fffffffffffffL, 0x0010000000000000L,
        0x7fefffffffffffffL, 0xffefffffffffffffL, 0x7ff0000000000000L,
        0xfff0000000000000L, 0x7ff8000000000000L, 0x7ff0000000000001L,
        0x400921fb54442d18L, 0x4340000000000000L, 0x4340000000000001L,
        0x3fdfffffffffffffL, 0x3fe0000000000000L, 0x3ff8000000000000L,
        0x4004000000000000L, 0xc1e0000000000000L, 0x41e0000000000000L,
        0x43e0000000000000L, 0xc3e0000000000000L, 0x47efffffe0000000L,
        0x47efffffefffffffL, 0x36a0000000000000L, 0x3690000000000000L,
        0x380fffffe0000000L
    };

    private Arith() {
    }

    public static void main(String[] args) {
        ints();
        shifts();
        narrowing();
        longs();
        wideIinc();
        floats();
        doubles();
        conversions();
    }

    private static void ints() {
        for (int a = 0; a < INTS.length; a++) {
            for (int b = 0; b < INTS.length; b++) {
                int x = INTS[a];
                int y = INTS[b];
                Line.at("int", a * 100 + b);
                Out.printInt(x + y);
                Out.printChar(' ');
                Out.printInt(x - y);
                Out.printChar(' ');
                Out.printInt(x * y);
                Out.printChar(' ');
                Out.printInt(x & y);
                Out.printChar(' ');
                Out.printInt(x | y);
                Out.printChar(' ');
                Out.printInt(x ^ y);
                if (y != 0) {
                    Out.printChar(' ');
                    Out.printInt(x / y);
                    Out.printChar(' ');
                    Out.printInt(x % y);
                }
                Out.printChar(' ');
                Out.printBoolean(x < y);
                Out.newLine();
            }
            Line.i("neg", -INTS[a]);
        }
    }

    private static void shifts() {
        int x = 0x80000001;
        int y = -5;
        long lx = 0x8000000000000001L;
        long ly = -5L;
        for (int k = 0; k < SHIFTS.length; k++) {
            int s = SHIFTS[k];
            Line.at("shift", s);
            Out.printInt(x << s);
            Out.printChar(' ');
            Out.printInt(x >> s);
            Out.printChar(' ');
            Out.printInt(x >>> s);
            Out.printChar(' ');
            Out.printInt(y >> s);
            Out.printChar(' ');
            Out.printInt(y >>> s);
            Out.printChar(' ');
            Out.printLong(lx << s);
            Out.printChar(' ');
            Out.printLong(lx >> s);
            Out.printChar(' ');
            Out.printLong(lx >>> s);
            Out.printChar(' ');
            Out.printLong(ly >> s);
            Out.printChar(' ');
            Out.printLong(ly >>> s);
            Out.newLine();
        }
    }

    private static void narrowing() {
        for (int a = 0; a < INTS.length; a++) {
            int x = INTS[a] + 0x1ff80;
            Line.at("narrow", a);
            Out.printInt((byte) x);
            Out.printChar(' ');
            Out.printInt((char) x);
            Out.printChar(' ');
            Out.printInt((short) x);
            Out.printChar(' ');
            Out.printInt((byte) INTS[a]);
            Out.printChar(' ');
            Out.printInt((char) INTS[a]);
            Out.printChar(' ');
            Out.printInt((short) INTS[a]);
            Out.printChar(' ');
            Out.printLong(INTS[a]);
            Out.newLine();
        }
        for (int a = 0; a < LONGS.length; a++) {
            Line.i("l2i", (int) LONGS[a]);
        }
    }

    private static void longs() {
        for (int a = 0; a < LONGS.length; a++) {
            for (int b = 0; b < LONGS.length; b++) {
                long x = LONGS[a];
                long y = LONGS[b];
                Line.at("long", a * 100 + b);
                Out.printLong(x + y);
                Out.printChar(' ');
                Out.printLong(x - y);
                Out.printChar(' ');
                Out.printLong(x * y);
                Out.printChar(' ');
                Out.printLong(x & y);
                Out.printChar(' ');
                Out.printLong(x | y);
                Out.printChar(' ');
                Out.printLong(x ^ y);
                if (y != 0) {
                    Out.printChar(' ');
                    Out.printLong(x / y);
                    Out.printChar(' ');
                    Out.printLong(x % y);
                }
                Out.printChar(' ');
                Out.printInt(x < y ? -1 : x == y ? 0 : 1);
                Out.printChar(' ');
                Out.printBoolean(x >= y);
                Out.newLine();
            }
            Line.l("lneg", -LONGS[a]);
        }
    }

    private static void wideIinc() {
        int i = 0;
        i += 1000;
        Line.i("iinc+1000", i);
        i -= 32768;
        Line.i("iinc-32768", i);
        i += 32767;
        Line.i("iinc+32767", i);
        int j = 0x7fffffff;
        j += 200;
        Line.i("iinc overflow", j);
        for (int k = -300; k < 1000; k += 250) {
            Line.i("iinc loop", k);
        }
    }

    private static void floats() {
        for (int a = 0; a < FLOAT_BITS.length; a++) {
            float x = Float.intBitsToFloat(FLOAT_BITS[a]);
            for (int b = 0; b < FLOAT_BITS.length; b++) {
                float y = Float.intBitsToFloat(FLOAT_BITS[b]);
                Line.at("float", a * 100 + b);
                Out.printInt(Float.floatToIntBits(x + y));
                Out.printChar(' ');
                Out.printInt(Float.floatToIntBits(x - y));
                Out.printChar(' ');
                Out.printInt(Float.floatToIntBits(x * y));
                Out.printChar(' ');
                Out.printInt(Float.floatToIntBits(x / y));
                Out.printChar(' ');
                Out.printInt(Float.floatToIntBits(x % y));
                Out.printChar(' ');
                Out.printBoolean(x < y);
                Out.printBoolean(x > y);
                Out.printBoolean(x == y);
                Out.newLine();
            }
            Line.f("fneg", -x);
        }
    }

    private static void doubles() {
        for (int a = 0; a < DOUBLE_BITS.length; a++) {
            double x = Double.longBitsToDouble(DOUBLE_BITS[a]);
            for (int b = 0; b < DOUBLE_BITS.length; b++) {
                double y = Double.longBitsToDouble(DOUBLE_BITS[b]);
                Line.at("double", a * 100 + b);
                Out.printLong(Double.doubleToLongBits(x + y));
                Out.printChar(' ');
                Out.printLong(Double.doubleToLongBits(x - y));
                Out.printChar(' ');
                Out.printLong(Double.doubleToLongBits(x * y));
                Out.printChar(' ');
                Out.printLong(Double.doubleToLongBits(x / y));
                Out.printChar(' ');
                Out.printLong(Double.doubleToLongBits(x % y));
                Out.printChar(' ');
                Out.printBoolean(x < y);
                Out.printBoolean(x > y);
                Out.printBoolean(x == y);
                Out.newLine();
            }
            Line.d("dneg", -x);
        }
    }

    private static void conversions() {
        for (int a = 0; a < FLOAT_BITS.length; a++) {
            float x = Float.intBitsToFloat(FLOAT_BITS[a]);
            Line.at("f2", a);
            Out.printInt((int) x);
            Out.printChar(' ');
            Out.printLong((long) x);
            Out.printChar(' ');
            Out.printLong(Double.doubleToLongBits(x));
            Out.newLine();
        }
        for (int a = 0; a < DOUBLE_BITS.length; a++) {
            double x = Double.longBitsToDouble(DOUBLE_BITS[a]);
            Line.at("d2", a);
            Out.printInt((int) x);
            Out.printChar(' ');
            Out.printLong((long) x);
            Out.printChar(' ');
            Out.printInt(Float.floatToIntBits((float) x));
            Out.newLine();
        }
        for (int a = 0; a < INTS.length; a++) {
            Line.at("i2", a);
            Out.printInt(Float.floatToIntBits(INTS[a]));
            Out.printChar(' ');
            Out.printLong(Double.doubleToLongBits(INTS[a]));
            Out.newLine();
        }
        long[] more = {0x1000001L, 0x1000003L, 0x20000000000001L, 0x20000000000003L,
            0x7fffffbfffffffffL, 0x7ffffffffffffdffL, -0x20000000000001L};
        for (int a = 0; a < LONGS.length + more.length; a++) {
            long x = a < LONGS.length ? LONGS[a] : more[a - LONGS.length];
            Line.at("l2", a);
            Out.printInt(Float.floatToIntBits(x));
            Out.printChar(' ');
            Out.printLong(Double.doubleToLongBits(x));
            Out.newLine();
        }
    }
}
