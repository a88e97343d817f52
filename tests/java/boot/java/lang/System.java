package java.lang;

import java.io.PrintStream;

public final class System {
    public static final PrintStream out = new PrintStream();

    private System() {
    }
}
