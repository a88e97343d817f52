package fin;

// Loaded from the class path: the native finalize stays unbound, so the
// class must not be flagged finalizable.
public class Finalized {
    private native void finalize();
}
