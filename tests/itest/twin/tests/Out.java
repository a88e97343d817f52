package tests;

/**
 * The HotSpot twin of the test programs' output class: the same text
 * through System.out. HotSpot has no launcher stack to report, so the
 * stack position is always 0.
 */
public final class Out {
    private Out() {
    }

    public static void printString(String s) {
        System.out.print(s);
    }

    public static void printInt(int i) {
        System.out.print(i);
    }

    public static void printLong(long l) {
        System.out.print(l);
    }

    public static void printChar(char c) {
        System.out.print(c);
    }

    public static void printBoolean(boolean b) {
        System.out.print(b);
    }

    public static void newLine() {
        System.out.print('\n');
    }

    public static int nativeStackPosition() {
        return 0;
    }

    /** HotSpot does not suspend: the value * 2 at once. */
    public static int blockingTwice(int value) {
        return value * 2;
    }

    /** HotSpot schedules by itself. */
    public static void setPrioritySchedule(boolean on) {
    }

    /** HotSpot slices time by itself. */
    public static void setTimeSlice(boolean on) {
    }

    public static void exit(int status) {
        System.exit(status);
    }

    /** HotSpot has no such path: it stops as the virtual machine does. */
    public static int missingStaticField() {
        System.out.println("vsNativeMethod_getStaticDataField: no such field");
        System.out.println("Fatal error: 134");
        System.exit(255);
        return 0;
    }
}
