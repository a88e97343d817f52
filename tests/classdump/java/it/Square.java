package it;

public class Square extends AbstractShape {
    public String name() {
        return "square";
    }

    public int size() {
        return 4;
    }
}
