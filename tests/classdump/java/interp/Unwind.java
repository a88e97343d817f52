package interp;

// Unwinding, handler search, exception constructors and frame walks.
public class Unwind {
    static int finallies;

    public static int divide(int a, int b) {
        int r = 0;
        try { r = a / b; } catch (ArithmeticException e) { r = -1; }
        return r;
    }

    // An inner entry of an unrelated class, then the catch-all of finally.
    public static int unrelatedThenFinally(int k) {
        int r = 0;
        try {
            try { if (k > 0) throw new IllegalArgumentException(); r = 1; }
            catch (ArrayStoreException e) { r = 2; }
        } finally { finallies++; }
        return r;
    }

    public static int finallies() { return finallies; }
    public static void guarded() { try { Raiser.raise(); } finally { finallies++; } }

    synchronized void boom() { throw new IllegalArgumentException(); }
    public static int syncCaught(Unwind u) {
        try { u.boom(); } catch (IllegalArgumentException e) { return 1; }
        return 0;
    }
    public static void syncUncaught(Unwind u) { u.boom(); }

    public static Object npe(Holder h) {
        try { return h.o; } catch (NullPointerException e) { return e; }
    }

    public static Object caughtRecorded() {
        try { Raiser.raise(); } catch (Recorded e) { madeAtHandler = Recorded.made; return e; }
        return null;
    }
    static int madeAtHandler;
    public static int madeAtHandler() { return madeAtHandler; }
    public static int recordedMade() { return Recorded.made; }

    public static int replaced() {
        try { Raiser.raiseFaulty(); return 0; }
        catch (ArrayStoreException e) { return 1; }
        catch (Faulty f) { return 2; }
    }

    // Nested synchronized frames with an operand below each call.
    static synchronized int nest(int n, int x) {
        int local = n * 2;
        return 1000 + (n == 0 ? Raiser.look(x) : nest(n - 1, x + 1)) + local;
    }
    public static int viaInit() { return Deeper.value; }

    public static int deepSync(Object o, int n) {
        synchronized (o) { return n == 0 ? Raiser.look(n) : deepSync(o, n - 1) + 1; }
    }
}

class Deeper {
    static int value;
    static { value = Unwind.nest(2, 5); }
}

class Recorded extends RuntimeException {
    static int made;
    Recorded(String m) { super(m); made++; }
    Recorded() { made += 100; }
}

class Faulty extends RuntimeException {
    Faulty(String m) { super(m); throw new ArrayStoreException(); }
}

class Raiser {
    static native void raise();
    static native void raiseFaulty();
    static native int look(int x);
}
