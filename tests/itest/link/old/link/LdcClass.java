package link;

// Replaced in the archive by a hand-made class whose get() loads a class
// entry with ldc.
public class LdcClass {
    public static Object get() {
        return null;
    }
}
