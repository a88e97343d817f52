package link;

// Made a class.
public abstract class Face {
    public abstract int face();
}
