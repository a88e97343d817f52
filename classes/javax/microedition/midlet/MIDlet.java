package javax.microedition.midlet;

import javax.microedition.io.ConnectionNotFoundException;

/**
 * The application of a MIDP run. The VM runs the private
 * {@code main(String[])} of this class with the application's class name:
 * it reports paint ready, clears the display, starts the process-event
 * thread, makes the application and starts it. The host's stop, pause and
 * resume reach the application as MIDlet-state events on that thread.
 * Once destroyed (a stop or {@link #notifyDestroyed}) the VM ends with
 * status 0.
 *
 * The application state reaches the VM as bits of its state mask: 1
 * started, 2 active, 4 paused, 8 destroyed (one of 2, 4 and 8 at a time).
 */
public abstract class MIDlet {
    private static final int STATE_STARTED = 1;
    private static final int STATE_ACTIVE = 2;
    private static final int STATE_PAUSED = 4;
    private static final int STATE_DESTROYED = 8;
    private static final int STATES = STATE_ACTIVE | STATE_PAUSED | STATE_DESTROYED;

    private static final int EVENT_DESTROY = 7;
    private static final int EVENT_START = 100;
    private static final int EVENT_PAUSE = 103;

    private static final int REQUEST_PENDING = 2;
    private static final int REQUEST_CANCELLED = 1;

    private static final Object lock = new Object();
    private static MIDlet current;
    private static boolean paused;
    private static boolean destroyed;

    protected MIDlet() {
    }

    protected abstract void startApp() throws MIDletStateChangeException;

    protected abstract void pauseApp();

    protected abstract void destroyApp(boolean unconditional) throws MIDletStateChangeException;

    /** The application has destroyed itself: the VM ends. */
    public final void notifyDestroyed() {
        end();
    }

    /** The application has paused itself. */
    public final void notifyPaused() {
        synchronized (lock) {
            if (paused || destroyed) {
                return;
            }
            paused = true;
        }
        enter(STATE_PAUSED);
        nativeNotifyAppSuspended(false, false);
    }

    /** Asks to be started again. */
    public final void resumeRequest() {
        notifyResumeEvent(true);
    }

    /** The attribute of the JAD or the manifest (the JAD first), or null. */
    public final String getAppProperty(String key) {
        return nativeGetAppProperty(key);
    }

    /**
     * Hands the URL to the platform: true when the MIDlet must end before
     * the request is served; null or "" cancels a pending request.
     */
    public final boolean platformRequest(String URL) throws ConnectionNotFoundException {
        int result = nativePlatformRequest(URL == null ? "" : URL);
        if (result == REQUEST_PENDING) {
            return true;
        }
        if (result == REQUEST_CANCELLED) {
            return false;
        }
        throw new ConnectionNotFoundException();
    }

    private static void main(String[] args) {
        initialize();
        nativeInitializeDisplay();
        new MIDletEvents().start();
        String name = args.length > 0 ? args[0] : null;
        MIDlet midlet;
        try {
            midlet = (MIDlet) Class.forName(name).newInstance();
        } catch (Throwable e) {
            System.out.println("Cannot start the MIDlet class " + name + ": " + e.getClass().getName());
            nativeSystemExit(-1);
            return;
        }
        synchronized (lock) {
            current = midlet;
        }
        nativeStateCallbackToApp(STATE_STARTED, true);
        start(midlet);
    }

    /** A MIDlet-state event of the process-event thread. */
    static void stateEvent(int state) {
        MIDlet midlet;
        synchronized (lock) {
            midlet = current;
        }
        if (midlet == null) {
            return;
        }
        if (state == EVENT_DESTROY) {
            try {
                midlet.destroyApp(true);
            } catch (Throwable e) {
                e.printStackTrace();
            }
            end();
        } else if (state == EVENT_START) {
            synchronized (lock) {
                if (!paused || destroyed) {
                    return;
                }
                paused = false;
            }
            start(midlet);
        } else if (state == EVENT_PAUSE) {
            synchronized (lock) {
                if (paused || destroyed) {
                    return;
                }
                paused = true;
            }
            try {
                midlet.pauseApp();
            } catch (Throwable e) {
                e.printStackTrace();
            }
            enter(STATE_PAUSED);
            nativeNotifyAppSuspended(false, false);
        }
    }

    private static void start(MIDlet midlet) {
        enter(STATE_ACTIVE);
        nativeNotifyAppResumed(true);
        try {
            midlet.startApp();
        } catch (Throwable e) {
            e.printStackTrace();
            end();
        }
    }

    private static void enter(int state) {
        nativeStateCallbackToApp(STATES, false);
        nativeStateCallbackToApp(state, true);
    }

    private static void end() {
        synchronized (lock) {
            if (destroyed) {
                return;
            }
            destroyed = true;
        }
        enter(STATE_DESTROYED);
        nativeNotifyAppStopped(true);
        nativeSystemExit(0);
    }

    private static native void initialize();

    private static native void notifyResumeEvent(boolean unused);

    private static native void nativeSystemExit(int status);

    private static native String nativeGetAppProperty(String key);

    private static native void nativeNotifyAppStopped(boolean unused);

    private static native void nativeNotifyAppSuspended(boolean unused, boolean unusedToo);

    private static native void nativeNotifyAppResumed(boolean unused);

    private static native void printHeapContents();

    private static native void nativeInitializeDisplay();

    private static native int nativePlatformRequest(String url);

    private static native void nativeStateCallbackToApp(int bits, boolean set);

    private static native boolean needToInitializeExtLib();

    private static native String getInitializerClassName();
}
