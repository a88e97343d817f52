package java.lang;

/**
 * The root of the class hierarchy. An instance has no fields: it is the
 * header word alone.
 */
public class Object {
    public Object() {
    }

    /**
     * Whether the other object is this one.
     */
    public boolean equals(Object obj) {
        return this == obj;
    }

    /**
     * Wakes one thread that waits on this object's monitor; the caller must
     * own the monitor.
     */
    public final native void notify();

    /**
     * Wakes every thread that waits on this object's monitor; the caller
     * must own the monitor.
     */
    public final native void notifyAll();

    /**
     * Waits on this object's monitor, which the caller must own, until
     * another thread notifies it or the caller is interrupted.
     */
    public final void wait() throws InterruptedException {
        wait(0);
    }

    /**
     * Waits on this object's monitor as wait() does, or until timeout
     * milliseconds have passed; 0 waits without limit.
     */
    public final native void wait(long timeout) throws InterruptedException;

    /** The class of this object. */
    public final native Class getClass();

    /** The identity hash: the same for the whole life of the object. */
    public native int hashCode();

    /** The class name, '@' and the hash code in hexadecimal. */
    public String toString() {
        return getClass().objectText(hashCode());
    }
}
