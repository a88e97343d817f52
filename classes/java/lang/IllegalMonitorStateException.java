package java.lang;

public class IllegalMonitorStateException extends RuntimeException {
    public IllegalMonitorStateException() {
    }

    public IllegalMonitorStateException(String message) {
        super(message);
    }
}
