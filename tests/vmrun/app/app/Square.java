package app;

public final class Square extends Rect {
    private static int made;

    public Square(int side) {
        super(side, side);
        made++;
    }

    public int area() {
        return super.area() + 1;
    }

    public int perimeter() {
        return super.perimeter() * 10;
    }

    static int count() {
        return made;
    }
}
