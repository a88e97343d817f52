package java.lang.ref;

/**
 * A reference that does not keep its referent alive: once the referent is
 * no longer reachable through ordinary references the collector clears it.
 * The virtual machine keeps the referent in its table of weak references
 * under index (-1 for a null referent); the slot is freed when this object
 * is finalized.
 */
public class WeakReference extends Reference {
    private int index;

    public WeakReference(Object ref) {
        index = newSlot(ref);
    }

    public Object get() {
        return getSlot(index);
    }

    public void clear() {
        clearSlot(index);
    }

    /** The slot of a new table entry for the referent; -1 for null. */
    private static native int newSlot(Object referent);

    /** The referent of the slot; null for a negative index or a cleared slot. */
    private static native Object getSlot(int index);

    /** Clears the slot of a non-negative index. */
    private static native void clearSlot(int index);

    /** Frees the slot. */
    private native void finalize();
}
