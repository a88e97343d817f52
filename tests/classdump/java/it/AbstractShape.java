package it;

// Implements area() only: name() and size() get generated methods.
public abstract class AbstractShape implements Shape, Named {
    public int area() {
        return 0;
    }
}
