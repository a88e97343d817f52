package tc;

// Trivial itself, but its superclass is not.
public class D extends C {
}
