package java.lang;

public class Throwable {
    private String detailMessage;

    public Throwable() {
    }

    public Throwable(String message) {
        detailMessage = message;
    }

    public String getMessage() {
        return detailMessage;
    }
}
