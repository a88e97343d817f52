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
}
