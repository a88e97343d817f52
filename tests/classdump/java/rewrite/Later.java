package rewrite;

// duringInit runs only inside the class's initialiser, so its static read
// stays slow; run again afterwards it becomes fast.
public class Later {
    static int seed = 7;
    static int copy = duringInit();

    public static int duringInit() {
        return seed;
    }

    public static int touch() {
        return copy;
    }
}
