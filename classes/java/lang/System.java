package java.lang;

/**
 * Access to the system. The virtual machine initialises this class first
 * when it starts; its first static fields will be the standard output and
 * error streams, at the first static offsets.
 */
public final class System {
    private System() {
    }

    /**
     * Copies length elements of the array src from srcPosition on into the
     * array dst from dstPosition on, as if through a temporary copy. The
     * virtual machine copies inline when the copy cannot fail; this native
     * does the checks and the rest.
     */
    public static native void arraycopy(Object src, int srcPosition,
            Object dst, int dstPosition, int length);

    /** The identity hash of x, as Object.hashCode gives it; 0 for null. */
    public static native int identityHashCode(Object x);
}
