package tests;

/**
 * A native asks for a static field that its class does not have: the
 * virtual machine stops on the natives' fatal path (code 134).
 */
public final class FatalField {
    private FatalField() {
    }

    public static void main(String[] args) {
        Out.printString("before");
        Out.newLine();
        Out.printInt(Out.missingStaticField());
        Out.printString("after");
        Out.newLine();
    }
}
