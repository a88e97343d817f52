package app;

// Exceptions thrown and caught across frames, with finally blocks.
public class Thrower {
    static int finallyCount;
    private static int faults;

    int run(int n) {
        try {
            return depth(n);
        } catch (AppException e) {
            return -e.code;
        } finally {
            finallyCount++;
        }
    }

    private int depth(int n) throws AppException {
        if (n < 0) {
            throw new AppException(40 - n);
        }
        if (n == 0) {
            return check();
        }
        try {
            return depth(n - 1) + n;
        } finally {
            finallyCount += 10;
        }
    }

    private static int check() {
        int[] a = new int[2];
        Object o = null;
        try {
            a[2] = 1;
        } catch (ArrayIndexOutOfBoundsException e) {
            faults++;
        }
        try {
            o.equals(a);
        } catch (NullPointerException e) {
            faults++;
        }
        try {
            faults += 1 / (a.length - 2);
        } catch (ArithmeticException e) {
            faults++;
        }
        return 100;
    }

    static int faults() {
        return faults;
    }
}
