package java.lang;

/**
 * The virtual machine that runs the application: its memory and its end.
 * There is one, Runtime.getRuntime().
 */
public class Runtime {
    private static final Runtime currentRuntime = new Runtime();

    private Runtime() {
    }

    public static Runtime getRuntime() {
        return currentRuntime;
    }

    /**
     * Applications may not end the virtual machine: this always throws
     * SecurityException.
     */
    public void exit(int status) {
        exitInternal(status);
    }

    private native void exitInternal(int status);

    /** The free bytes of the heap. */
    public native long freeMemory();

    /** The bytes of the heap. */
    public native long totalMemory();

    /** Runs the garbage collector. */
    public native void gc();
}
