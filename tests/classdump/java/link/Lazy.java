package link;

// Named by link.User only inside a method body, so loading User leaves it
// unloaded.
public class Lazy {
    public int seen;
}
