package prelink;

// A final class: every call of its methods is bound directly.
public final class Sealed extends Base {
    public int own() {
        return 4;
    }

    public int shape() {
        return 5;
    }
}
