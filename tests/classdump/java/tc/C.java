package tc;

// Stores a value that is not zero: not trivial.
public class C extends B {
    int seven = 7;
}
