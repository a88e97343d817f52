package nat;

// Natives for the romizer's binding pass: two of one name, names that
// mangle, results of every kind, and an inner class whose name has a '$'.
public class Natives {
    public native void plain();

    public static native int twice(int a);

    public static native int twice(String[] s, long j);

    native void under_score();

    native void caf\u00e9();

    static native long wide();

    public static class Inner {
        native Object run();
    }
}
