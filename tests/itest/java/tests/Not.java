package tests;

/**
 * Boolean negations as javac writes them (ifne or ifeq +7, a constant, goto
 * +4, the other constant): loaded from the archive, the VM fuses each into
 * one inot. The branches around and behind them must keep their targets,
 * and a negation that a branch enters in its middle stays as it is.
 */
public final class Not {
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

    static boolean pick(boolean c, boolean x, boolean y) {
        return c ? !x : y;
    }

    static boolean notEither(boolean c, boolean x, boolean y) {
        return !(c ? x : y);
    }

    static boolean equalAndNot(int a, int b, boolean z) {
        boolean r = a == b;
        return r && !z;
    }

    static int countFalse(boolean[] values) {
        int n = 0;
        for (int i = 0; i < values.length; i++) {
            boolean v = !values[i];
            if (v) {
                n++;
            }
        }
        return n;
    }

    public static void main(String[] args) {
        Out.printBoolean(not(true));
        Out.printBoolean(not(false));
        Out.newLine();
        for (int k = 0; k < 8; k++) {
            boolean c = (k & 4) != 0;
            boolean x = (k & 2) != 0;
            boolean y = (k & 1) != 0;
            Out.printBoolean(pick(c, x, y));
            Out.printBoolean(notEither(c, x, y));
            Out.printBoolean(equalAndNot(k, k & 3, y));
            Out.printBoolean(isZero(k & 3));
            Out.printBoolean(zeroOf(c, k & 2, k & 1));
            Out.newLine();
        }
        Out.printInt(countFalse(new boolean[] {true, false, false, true, false}));
        Out.newLine();
    }
}
