package tests;

/**
 * The output of the test programs, printed by the launcher's natives on
 * standard output. Its twin in twin/ prints the same text through
 * System.out on HotSpot, so that both runs of a program can be compared.
 */
public final class Out {
    private Out() {
    }

    /** Prints the string's characters, or "null". */
    public static native void printString(String s);

    public static native void printInt(int i);

    public static native void printLong(long l);

    public static native void printChar(char c);

    /** Prints "true" or "false". */
    public static native void printBoolean(boolean b);

    /** Ends the line. */
    public static native void newLine();

    /**
     * The position of the launcher's native stack in this native: equal at
     * every Java call depth when the interpreter calls Java without native
     * recursion.
     */
    public static native int nativeStackPosition();

    /**
     * Returns value * 2 from a second entry: the first entry suspends the
     * calling thread in the native, and the launcher's handler resumes it
     * on its third poll.
     */
    public static native int blockingTwice(int value);

    /** Turns the virtual machine's priority scheduling on or off. */
    public static native void setPrioritySchedule(boolean on);

    /**
     * Turns the ten-millisecond time slice on or off: while it is off a
     * thread runs until it yields, waits or ends.
     */
    public static native void setTimeSlice(boolean on);

    /** Ends the virtual machine with the status. */
    public static native void exit(int status);

    /**
     * Reads a static int field that this class does not have: the virtual
     * machine ends on its fatal path.
     */
    public static native int missingStaticField();
}
