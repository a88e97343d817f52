package java.lang;

/**
 * The object that stands for a class. The virtual machine reads its three
 * fields by word number, so they stay first and in this order.
 */
public final class Class {
    /** Status bit: the class initializer is running. */
    private static final int INITIALIZING = 0x01;
    /** Status bit: the class is initialized. */
    private static final int INITIALIZED = 0x04;
    /** Status bit: an initialization of the class failed. */
    private static final int ERRONEOUS = 0x08;

    /** Word 1: the class record this object stands for. */
    private Object classRecord;
    /** Word 2: the initialization and access status. */
    private int status;
    /** Word 3: the thread running the class initializer. */
    private Thread initThread;

    private Class() {
    }

    /** Whether this class is an interface; false for array classes. */
    public native boolean isInterface();

    /** Whether this class is an array class. */
    public native boolean isArray();

    /**
     * The name with dots: "java.lang.String"; an array class names one '['
     * per dimension and its element ("[I", "[Ljava.lang.String;").
     */
    public native String getName();

    /**
     * The text of Object.toString for an object of this class with the hash
     * code: the name, '@' and the hash in hexadecimal.
     */
    String objectText(int hash) {
        return new StringBuffer(getName()).append('@').append(Integer.toHexString(hash)).toString();
    }

    /**
     * The class of the name (dots or slashes), loaded and initialized when
     * needed; a missing class throws ClassNotFoundException.
     */
    public static native Class forName(String className) throws ClassNotFoundException;

    /**
     * A new instance made by the class's own no-argument constructor. An
     * abstract class, an interface, an array class or a class without such
     * a constructor throws InstantiationException; a constructor the caller
     * may not reach throws IllegalAccessException.
     */
    public native Object newInstance() throws InstantiationException, IllegalAccessException;

    /** Whether obj is an instance of this class; false for null. */
    public native boolean isInstance(Object obj);

    /**
     * The resource of the name as a stream, or null when there is none. A
     * name that begins with '/' is taken from the root of the class path
     * without it; any other is taken in the package of this class.
     */
    public java.io.InputStream getResourceAsStream(String name) {
        if (name.length() > 0 && name.charAt(0) == '/') {
            name = name.substring(1);
        } else {
            String className = getName();
            int dot = className.lastIndexOf('.');
            if (dot >= 0) {
                StringBuffer path = new StringBuffer(className.substring(0, dot + 1).replace('.', '/'));
                name = path.append(name).toString();
            }
        }
        try {
            return new com.sun.cldc.io.ResourceInputStream(name);
        } catch (java.io.IOException e) {
            return null;
        }
    }

    /** Whether cls is this class or a subtype of it; null throws NullPointerException. */
    public native boolean isAssignableFrom(Class cls);

    /**
     * Initializes the class: verifies it, initializes its superclass,
     * prepares its methods for invocation, then runs its static
     * initializer, which then leaves the class. The virtual machine calls
     * this on first use of the class. A second request from the thread that
     * runs the initialization returns at once; a request from another
     * thread waits until that initialization has ended. When a step throws,
     * the class becomes erroneous: the exception goes on to the caller (an
     * exception that is no Error as an Error with its text), and every later
     * use of the class throws NoClassDefFoundError.
     */
    private void initialize() throws Throwable {
        Thread current = Thread.currentThread();
        synchronized (this) {
            boolean interrupted = false;
            while ((status & INITIALIZING) != 0 && initThread != current) {
                try {
                    wait();
                } catch (InterruptedException e) {
                    interrupted = true;
                }
            }
            if (interrupted) {
                current.interrupt();
            }
            if ((status & (INITIALIZED | INITIALIZING)) != 0) {
                return;
            }
            if ((status & ERRONEOUS) != 0) {
                throw new NoClassDefFoundError(getName());
            }
            status |= INITIALIZING;
            initThread = current;
        }
        try {
            verifyClass();
            Class superclass = getSuperclass0();
            if (superclass != null) {
                superclass.initialize();
            }
            prepareMethods();
            runClinit();
            removeClinit();
        } catch (Throwable e) {
            end(ERRONEOUS);
            if (e instanceof Error) {
                throw e;
            }
            throw new Error(e.toString());
        }
        end(INITIALIZED);
    }

    /** Ends an initialization with its outcome and wakes the threads that wait for it. */
    private synchronized void end(int outcome) {
        status = (status | outcome) & ~INITIALIZING;
        initThread = null;
        notifyAll();
    }

    /** Verifies a class loaded from the class path, when verification is on. */
    private native void verifyClass();

    /** Prepares the methods of a class loaded from the class path for invocation. */
    private native void prepareMethods();

    /** The superclass, null when there is none. */
    private native Class getSuperclass0();

    /** Runs the static initializer, if any, as this native returns. */
    private native void runClinit();

    /** Takes the static initializer out of the class once it has run. */
    private native void removeClinit();
}
