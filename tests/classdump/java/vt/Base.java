package vt;

public class Base {
    static int counter;

    static {
        counter = 1;
    }

    public Base() {
    }

    public static int helper() {
        return counter;
    }

    public final int fixed() {
        return 1;
    }

    public int m() {
        return 2;
    }

    int p() {
        return 3;
    }

    protected int q() {
        return 4;
    }

    private int hidden() {
        return 5;
    }
}
