package java.io;

/** An input or output operation interrupted after bytesTransferred bytes. */
public class InterruptedIOException extends IOException {
    public int bytesTransferred;

    public InterruptedIOException() {
    }

    public InterruptedIOException(String message) {
        super(message);
    }
}
