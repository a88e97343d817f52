package app;

public class AppException extends Exception {
    final int code;

    public AppException(int code) {
        super("app");
        this.code = code;
    }
}
