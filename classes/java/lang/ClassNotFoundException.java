package java.lang;

public class ClassNotFoundException extends Exception {
    public ClassNotFoundException() {
    }

    public ClassNotFoundException(String message) {
        super(message);
    }
}
