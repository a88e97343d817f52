package link;

// Made abstract.
public abstract class Shape {
    public int sides() {
        return 3;
    }
}
