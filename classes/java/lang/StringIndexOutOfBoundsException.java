package java.lang;

public class StringIndexOutOfBoundsException extends IndexOutOfBoundsException {
    public StringIndexOutOfBoundsException() {
    }

    public StringIndexOutOfBoundsException(String message) {
        super(message);
    }

    /** The message names the index: "String index out of range: " and it. */
    public StringIndexOutOfBoundsException(int index) {
        super(new StringBuffer("String index out of range: ").append(index).toString());
    }
}
