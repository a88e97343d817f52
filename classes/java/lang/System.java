package java.lang;

import com.sun.cldcvk.io.ConsoleOutputStream;
import java.io.PrintStream;

/**
 * Access to the system. The virtual machine initialises this class first
 * when it starts; its first static fields will be the standard output and
 * error streams, at the first static offsets.
 */
public final class System {
    /** The standard output stream: the console, in the default encoding. */
    public static final PrintStream out = new PrintStream(new ConsoleOutputStream());

    /** The standard error stream: the console too. */
    public static final PrintStream err = new PrintStream(new ConsoleOutputStream());

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

    /** Milliseconds since midnight, January 1, 1970 UTC. */
    public static native long currentTimeMillis();

    /**
     * The system property of the key, or null when it has none. A null key
     * throws NullPointerException, an empty one IllegalArgumentException.
     */
    public static String getProperty(String key) {
        if (key == null) {
            throw new NullPointerException();
        }
        if (key.length() == 0) {
            throw new IllegalArgumentException();
        }
        return getProperty0(key);
    }

    private static native String getProperty0(String key);

    /** Runtime.getRuntime().exit(status). */
    public static void exit(int status) {
        Runtime.getRuntime().exit(status);
    }

    /** Runtime.getRuntime().gc(). */
    public static void gc() {
        Runtime.getRuntime().gc();
    }
}
