package link;

// Both statics made final (set by the initialiser, so no constants).
public class Consts {
    public static final int limit;
    public static final int total;

    static {
        limit = 2;
        total = 2;
    }
}
