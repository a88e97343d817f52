package it;

public interface Shape {
    int area();

    String name();
}
