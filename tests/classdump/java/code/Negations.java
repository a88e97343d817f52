package code;

// Boolean negations as javac writes them, for the load-time inot pass: the
// ifeq form (!b), the ifne form (x == 0), one whose first byte is a branch
// target, and one in a method with a handler, which stays.
public class Negations {
    static boolean not(boolean b) {
        return !b;
    }

    static boolean isZero(int x) {
        boolean r = x == 0;
        return r;
    }

    static boolean zeroOf(boolean c, int a, int b) {
        boolean r = (c ? a : b) == 0;
        return r;
    }

    static boolean guarded(int x) {
        try {
            boolean r = x == 0;
            return r;
        } catch (RuntimeException e) {
            return false;
        }
    }
}
