package java.lang;

/**
 * The object that stands for a class. The virtual machine reads its three
 * fields by word number, so they stay first and in this order.
 */
public final class Class {
    /** Word 1: the class record this object stands for. */
    private Object classRecord;
    /** Word 2: the initialization and access status. */
    private int status;
    /** Word 3: the thread running the class initializer. */
    private Thread initThread;

    private Class() {
    }
}
