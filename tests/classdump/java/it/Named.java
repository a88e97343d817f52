package it;

public interface Named {
    String name();

    int size();
}
