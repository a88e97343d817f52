package rewrite;

// The test flags this class finalizable: its new stays slow.
public class Kept {
    public static Object make() {
        return new Kept();
    }
}
