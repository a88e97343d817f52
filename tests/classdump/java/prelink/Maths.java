package prelink;

// The shapes of the intrinsic methods of java.lang.Math; the tests let this
// class stand for java.lang.Math.
public class Maths {
    public static native double sin(double a);

    public static native double cos(double a);

    public static native double sqrt(double a);

    public static double floor(double a) {
        return a;
    }

    public static double tan(float a) {
        return a;
    }

    public static double abs(double a) {
        return a < 0 ? -a : a;
    }
}
