package tests;

/** An exception that nobody catches ends the program's only thread. */
public final class Uncaught {
    private Uncaught() {
    }

    public static void main(String[] args) {
        throw new RuntimeException("boom");
    }
}
