package java.lang.ref;

/**
 * A reference to an object that the collector treats apart from ordinary
 * references. WeakReference is the one kind; it holds the state, so this
 * class has no fields.
 */
public abstract class Reference {
    Reference() {
    }

    /** The referent, or null once cleared. */
    public abstract Object get();

    /** Clears the reference: get() answers null from now on. */
    public abstract void clear();
}
