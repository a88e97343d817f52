package app;

public interface Shape {
    int area();

    int sides();
}
