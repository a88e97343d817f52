package rewrite;

public final class Sealed extends Base {
    public int open() {
        return 20;
    }
}
