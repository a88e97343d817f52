package java.lang;

/**
 * Mathematical functions. The six natives are entered through the virtual
 * machine's own entries for them; their native bodies are never meant to
 * run. max and min of float and double answer NaN when either argument is
 * NaN and order -0.0 below +0.0.
 */
public final class Math {
    public static final double E = 2.718281828459045;
    public static final double PI = 3.141592653589793;

    private static final long NEGATIVE_ZERO_DOUBLE = 0x8000000000000000L;
    private static final int NEGATIVE_ZERO_FLOAT = 0x80000000;

    private Math() {
    }

    public static native double sin(double a);

    public static native double cos(double a);

    public static native double tan(double a);

    public static native double sqrt(double a);

    public static native double ceil(double a);

    public static native double floor(double a);

    public static double toRadians(double angdeg) {
        return angdeg * 0.017453292519943295;
    }

    public static double toDegrees(double angrad) {
        return angrad * 57.29577951308232;
    }

    public static int abs(int a) {
        return a < 0 ? -a : a;
    }

    public static long abs(long a) {
        return a < 0 ? -a : a;
    }

    public static float abs(float a) {
        return a <= 0.0F ? 0.0F - a : a;
    }

    public static double abs(double a) {
        return a <= 0.0D ? 0.0D - a : a;
    }

    public static int max(int a, int b) {
        return a >= b ? a : b;
    }

    public static long max(long a, long b) {
        return a >= b ? a : b;
    }

    public static float max(float a, float b) {
        if (a != a) {
            return a;
        }
        if (a == 0.0F && b == 0.0F && Float.floatToIntBits(a) == NEGATIVE_ZERO_FLOAT) {
            return b;
        }
        return a >= b ? a : b;
    }

    public static double max(double a, double b) {
        if (a != a) {
            return a;
        }
        if (a == 0.0D && b == 0.0D && Double.doubleToLongBits(a) == NEGATIVE_ZERO_DOUBLE) {
            return b;
        }
        return a >= b ? a : b;
    }

    public static int min(int a, int b) {
        return a <= b ? a : b;
    }

    public static long min(long a, long b) {
        return a <= b ? a : b;
    }

    public static float min(float a, float b) {
        if (a != a) {
            return a;
        }
        if (a == 0.0F && b == 0.0F && Float.floatToIntBits(b) == NEGATIVE_ZERO_FLOAT) {
            return b;
        }
        return a <= b ? a : b;
    }

    public static double min(double a, double b) {
        if (a != a) {
            return a;
        }
        if (a == 0.0D && b == 0.0D && Double.doubleToLongBits(b) == NEGATIVE_ZERO_DOUBLE) {
            return b;
        }
        return a <= b ? a : b;
    }
}
