package javax.microedition.midlet;

/** Signals that a MIDlet could not make the state change asked of it. */
public class MIDletStateChangeException extends Exception {
    public MIDletStateChangeException() {
    }

    public MIDletStateChangeException(String s) {
        super(s);
    }
}
