package tc;

// Stores only zero values: still trivial.
public class B extends A {
    int count = 0;
    Object ref = null;
    double amount = 0.0;
    float part = 0.0f;
}
