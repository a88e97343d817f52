package link;

public class Ops {
    public static int twice(int x) {
        return 2 * x;
    }

    public int half(int x) {
        return x / 2;
    }

    public int gone() {
        return 0;
    }
}
