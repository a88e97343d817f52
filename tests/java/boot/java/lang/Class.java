package java.lang;

public final class Class {
    private Class() {
    }

    public native String getName();
}
