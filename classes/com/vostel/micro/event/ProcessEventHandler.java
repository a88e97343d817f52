package com.vostel.micro.event;

/**
 * The thread that carries out the VM's internal events: suspend {11},
 * resume {12} and stop {13} go to the VM at once; a MIDlet-state event
 * {100, state} goes to {@link #midletStateChanged}.
 */
public abstract class ProcessEventHandler extends ProcessEventThread {
    private static final int SUSPEND = 11;
    private static final int RESUME = 12;
    private static final int STOP = 13;
    private static final int MIDLET_STATE = 100;

    protected ProcessEventHandler() {
    }

    protected final void dispatch(int[] words, int count) {
        if (!canDispatch()) {
            return;
        }
        switch (words[0]) {
        case SUSPEND:
            clearKeyEvents();
            suspendVm();
            break;
        case RESUME:
            resumeVm();
            break;
        case STOP:
            terminateVm();
            break;
        case MIDLET_STATE:
            if (count > 1) {
                midletStateChanged(words[1]);
            }
            break;
        default:
            break;
        }
    }

    /** Carries out a MIDlet-state event: 7 destroy, 100 start, 103 pause. */
    protected abstract void midletStateChanged(int state);

    /** Ends the running VM. */
    private static native void terminateVm();

    /** Resumes the running VM (the VM's resumed callbacks run). */
    private static native void resumeVm();

    /** Suspends the running VM until the host resumes it. */
    private static native void suspendVm();

    /** Drops the key events that wait in the VM's key queue. */
    private static native void clearKeyEvents();

    /** True: this system dispatches every internal event. */
    private static native boolean canDispatch();
}
