package java.lang;

/**
 * Mathematical functions. The six functions below are entered through the
 * virtual machine's own entries for them; their native bodies are never
 * meant to run.
 */
public final class Math {
    private Math() {
    }

    public static native double sin(double a);

    public static native double cos(double a);

    public static native double tan(double a);

    public static native double sqrt(double a);

    public static native double ceil(double a);

    public static native double floor(double a);
}
