package romizer.image;

// Two natives of one name: their functions go by their long names, and each
// call reaches its own. main ends by an uncaught exception when one does not.
public class Shifts {
    static native int shift(int x);

    static native int shift(int x, int by);

    public static void main(String[] args) {
        if (shift(21) != 42) {
            throw new RuntimeException("shift(21)");
        }
        if (shift(3, 4) != 48) {
            throw new RuntimeException("shift(3, 4)");
        }
    }
}
