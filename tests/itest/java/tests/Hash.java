package tests;

/**
 * hashCode equals System.identityHashCode and stays the same before,
 * during and after locking, also when first drawn under the lock.
 */
public final class Hash {
    private Hash() {
    }

    private static void line(String what, boolean value) {
        Out.printString(what);
        Out.printBoolean(value);
        Out.newLine();
    }

    public static void main(String[] args) {
        Object o = new Object();
        int before = o.hashCode();
        line("identity: ", before == System.identityHashCode(o));
        int during;
        synchronized (o) {
            during = o.hashCode();
            line("identity while locked: ", during == System.identityHashCode(o));
        }
        line("during equals before: ", during == before);
        line("after equals before: ", o.hashCode() == before);
        Object p = new Object();
        int first;
        synchronized (p) {
            synchronized (p) {
                first = p.hashCode();
            }
            line("inner unlock keeps it: ", p.hashCode() == first);
        }
        line("drawn while locked, kept: ", p.hashCode() == first);
        line("identity of null is 0: ", System.identityHashCode(null) == 0);
    }
}
