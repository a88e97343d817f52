package prelink;

// Methods of every binding the resolver chooses, called by prelink.Caller.
public abstract class Base {
    public static int counter;

    public static int count() {
        return counter;
    }

    public final int fixed() {
        return 1;
    }

    protected int size() {
        return 2;
    }

    public abstract int shape();

    private int hidden() {
        return 3;
    }
}
