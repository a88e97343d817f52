package java.lang;

public class ArrayIndexOutOfBoundsException extends IndexOutOfBoundsException {
    public ArrayIndexOutOfBoundsException() {
    }

    public ArrayIndexOutOfBoundsException(String message) {
        super(message);
    }

    /** The message names the index: "Array index out of range: " and it. */
    public ArrayIndexOutOfBoundsException(int index) {
        super(new StringBuffer("Array index out of range: ").append(index).toString());
    }
}
