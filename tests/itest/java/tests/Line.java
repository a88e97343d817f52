package tests;

/**
 * One labelled result a line, through the output class: the label, a
 * space, the value. Floats and doubles print as their bit patterns (NaN
 * canonical), so that no decimal conversion is compared.
 */
final class Line {
    private Line() {
    }

    static void label(String label) {
        Out.printString(label);
        Out.printChar(' ');
    }

    static void s(String label, String value) {
        label(label);
        Out.printString(value);
        Out.newLine();
    }

    static void i(String label, int value) {
        label(label);
        Out.printInt(value);
        Out.newLine();
    }

    static void l(String label, long value) {
        label(label);
        Out.printLong(value);
        Out.newLine();
    }

    static void z(String label, boolean value) {
        label(label);
        Out.printBoolean(value);
        Out.newLine();
    }

    static void c(String label, char value) {
        label(label);
        Out.printChar(value);
        Out.newLine();
    }

    static void f(String label, float value) {
        i(label, Float.floatToIntBits(value));
    }

    static void d(String label, double value) {
        l(label, Double.doubleToLongBits(value));
    }

    /** The label and an indexed value: "label[k] value". */
    static void at(String label, int k) {
        Out.printString(label);
        Out.printChar('[');
        Out.printInt(k);
        Out.printString("] ");
    }

    /** The decimal number at the start of text, or -1 when none. */
    static int number(String text) {
        int n = -1;
        for (int pos = 0;; pos++) {
            int digit = -1;
            for (int d = 0; d < 10; d++) {
                if (text.indexOf('0' + d, pos) == pos) {
                    digit = d;
                }
            }
            if (digit < 0) {
                return n;
            }
            n = (n < 0 ? 0 : n * 10) + digit;
        }
    }
}
