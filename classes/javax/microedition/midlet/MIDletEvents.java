package javax.microedition.midlet;

import com.vostel.micro.event.ProcessEventHandler;

/** The process-event thread of the running MIDlet. */
final class MIDletEvents extends ProcessEventHandler {
    MIDletEvents() {
    }

    protected void midletStateChanged(int state) {
        MIDlet.stateEvent(state);
    }
}
