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
        fillInStackTrace();
    }

    public Throwable(String message) {
        fillInStackTrace();
        detailMessage = message;
    }

    /** The detail message, or null. */
    public String getMessage() {
        return detailMessage;
    }

    /** The class name, then ": " and the message when there is one. */
    public String toString() {
        String message = getMessage();
        String name = getClass().getName();
        return message != null ? name + ": " + message : name;
    }

    /**
     * Records the frames of the calling thread, without this method and the
     * constructors of this throwable, as its trace.
     */
    private native void fillInStackTrace();

    /**
     * Prints the class name and message, then one line per recorded frame,
     * on the console.
     */
    public native void printStackTrace();
}
