package tests;

import com.vostel.micro.event.UiEventThread;

/**
 * Echoes the user-interface events that vmrun --post sends: key and pointer
 * events as they come (one group, so in posting order), the MIDP event
 * after the fourth event; then it exits with 0. Before the thread starts,
 * main waits for the first event and asks for it with a null array and
 * with an array of two ints, too short for any of them: both are refused
 * and the event stays for the thread.
 */
public final class EventEcho extends UiEventThread {
    private static final int EVENTS = 4;
    private static final int MIDP = 3;
    private int seen;
    private int[] midp;
    private int midpCount;

    protected void dispatch(int[] words, int count) {
        if (words[0] == MIDP) {
            midp = new int[count];
            System.arraycopy(words, 0, midp, 0, count);
            midpCount = count;
        } else {
            print(words, count);
        }
        if (++seen == EVENTS) {
            if (midp != null) {
                print(midp, midpCount);
            }
            Out.exit(0);
        }
    }

    private static void print(int[] words, int count) {
        String[] names = {"key", "pointer", "command", "midp"};
        Out.printString(words[0] >= 0 && words[0] < names.length ? names[words[0]] : "event");
        for (int i = 1; i < count; i++) {
            Out.printChar(' ');
            Out.printInt(words[i]);
        }
        Out.newLine();
    }

    public static void main(String[] args) {
        EventEcho echo = new EventEcho();
        while (!waitNextEvent(echo.eventThreadId)) {
            // woken: ask again
        }
        try {
            getNextEvent(echo.eventThreadId, null);
            Out.printString("null array accepted");
        } catch (NullPointerException e) {
            Out.printString("null array refused");
        }
        Out.newLine();
        try {
            getNextEvent(echo.eventThreadId, new int[2]);
            Out.printString("short array accepted");
        } catch (ArrayIndexOutOfBoundsException e) {
            Out.printString("short array refused");
        }
        Out.newLine();
        echo.start();
    }
}
