package app;

public class Rect implements Shape {
    protected final int width;
    protected final int height;

    public Rect(int width, int height) {
        this.width = width;
        this.height = height;
    }

    public int area() {
        return width * height;
    }

    public int sides() {
        return 4;
    }

    public int perimeter() {
        return 2 * half();
    }

    private int half() {
        return width + height;
    }
}
