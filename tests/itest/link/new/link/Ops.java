package link;

// twice made an instance method, half made static, gone removed.
public class Ops {
    public int twice(int x) {
        return 2 * x;
    }

    public static int half(int x) {
        return x / 2;
    }
}
