package rewrite;

public class Base {
    public int open() {
        return 10;
    }
}
