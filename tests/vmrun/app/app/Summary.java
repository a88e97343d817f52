package app;

// The results as text: signed decimal numbers separated by spaces.
public class Summary {
    private final char[] text = new char[400];
    private int length;

    void add(long value) {
        if (length > 0) {
            text[length++] = ' ';
        }
        if (value < 0) {
            text[length++] = '-';
            value = -value;
        }
        char[] digits = new char[20];
        int n = 0;
        do {
            digits[n++] = (char) ('0' + (int) (value % 10));
            value /= 10;
        } while (value != 0);
        while (n > 0) {
            text[length++] = digits[--n];
        }
    }

    String text() {
        char[] out = new char[length];
        for (int i = 0; i < length; i++) {
            out[i] = text[i];
        }
        return new String(out);
    }
}
