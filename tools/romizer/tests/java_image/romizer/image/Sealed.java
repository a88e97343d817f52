package romizer.image;

// A final class: calls of its methods are bound directly.
public final class Sealed {
    public int own() {
        return 4;
    }
}
