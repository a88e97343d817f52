package link;

// Fields read and written by link.User, and getters of several shapes.
public class Holder {
    public static final int LIMIT = compute();
    public static int counter;
    public int value;
    public long wide;
    public Object ref;

    static int compute() {
        return 3;
    }

    public int getValue() {
        return value;
    }

    public Object getRef() {
        return ref;
    }

    public synchronized int lockedValue() {
        return value;
    }

    public int nextValue() {
        return value + 1;
    }

    public static int getCounter() {
        return counter;
    }
}
