package tests;

/**
 * Recursion as deep as its argument (tests.Deep N): the Java stack grows
 * in chunks, and the launcher's native stack stays where it was at depth
 * 1. Deeper than the stack's maximum, the recursion ends with
 * OutOfMemoryError, which is caught, and the program goes on.
 */
public final class Deep {
    private static int positionAtBottom;

    private Deep() {
    }

    public static void main(String[] args) {
        int n = args.length > 0 ? Line.number(args[0]) : 10;
        int top = Out.nativeStackPosition();
        try {
            Line.i("sum", down(1, n));
            Line.z("same native stack", positionAtBottom == top);
        } catch (OutOfMemoryError e) {
            Line.s("depth", "OutOfMemoryError");
        }
        Line.i("after", down(1, 100));
    }

    // The sum over every depth d of d * d, modulo 2^32.
    private static int down(int d, int n) {
        if (d >= n) {
            positionAtBottom = Out.nativeStackPosition();
            return d * d;
        }
        return d * d + down(d + 1, n);
    }
}
