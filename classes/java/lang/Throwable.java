package java.lang;

/**
 * The superclass of everything that can be thrown. The virtual machine
 * stores a raised exception's message in the first field and its trace in
 * the second.
 */
public class Throwable {
    private String detailMessage;
    private transient Object backtrace;

    public Throwable() {
    }

    public Throwable(String message) {
        detailMessage = message;
    }

    /** The detail message, or null. */
    public String getMessage() {
        return detailMessage;
    }
}
