package romizer.image;

// Field accesses and calls in the forms the romizer gives them: a getter,
// a long field, direct calls, and the static accesses and the allocation
// that stay slow.
public class Quickened {
    public static int counter;
    public int x;
    public long wide;

    public int getX() {
        return x;
    }

    long readWide(Quickened q) {
        return q.wide;
    }

    public final int fixed() {
        return 1;
    }

    int direct(Quickened q, Sealed s) {
        return q.fixed() + s.own();
    }

    static int count() {
        return counter;
    }

    Object statics() {
        counter = count() + counter;
        return new Sealed();
    }
}
