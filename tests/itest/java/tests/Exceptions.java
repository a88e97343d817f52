package tests;

/**
 * Exceptions the VM raises, each caught by a handler and named by its
 * class (not by its message, which differs from HotSpot's); nested
 * finally, the exclusive end of a handler's range, and rethrow across
 * frames; toString of thrown objects made by programs, with and without
 * a message.
 */
public final class Exceptions {
    int field;
    static int thrown;
    static int finallies;

    private Exceptions() {
    }

    public static void main(String[] args) {
        for (int k = 0; k < 22; k++) {
            Line.at("case", k);
            try {
                raise(k);
                Out.printString("no exception");
            } catch (NullPointerException e) {
                Out.printString("NullPointerException");
            } catch (ArrayIndexOutOfBoundsException e) {
                Out.printString("ArrayIndexOutOfBoundsException");
            } catch (ArithmeticException e) {
                Out.printString("ArithmeticException");
            } catch (ClassCastException e) {
                Out.printString("ClassCastException");
            } catch (ArrayStoreException e) {
                Out.printString("ArrayStoreException");
            } catch (NegativeArraySizeException e) {
                Out.printString("NegativeArraySizeException");
            } catch (RuntimeException e) {
                Out.printString("RuntimeException ");
                Out.printString(e.getMessage());
            }
            Out.newLine();
        }
        nestedFinally();
        exclusiveEnd();
        rethrow();
        handlerOrder();
        texts();
    }

    private static void texts() {
        Throwable[] made = { new Throwable(), new Throwable("t"), new RuntimeException("boom"), new Error(),
            new NullPointerException(""), new java.io.IOException("io"), new Exception(null) };
        for (int k = 0; k < made.length; k++) {
            Line.at("toString", k);
            Out.printString(made[k].toString());
            Out.newLine();
        }
    }

    private static void raise(int k) {
        Exceptions none = null;
        int[] noArray = null;
        int[] a = new int[4];
        long[] la = new long[2];
        Object[] strings = new String[1];
        Object o = "text";
        int zero = k - k;
        long lzero = zero;
        switch (k) {
            case 0: none.field = 1; break;
            case 1: Line.i("value", none.field); break;
            case 2: Line.i("value", noArray[0]); break;
            case 3: noArray[0] = 1; break;
            case 4: Line.i("value", noArray.length); break;
            case 5: none.hashOf(); break;
            case 6: throw (RuntimeException) null;
            case 7: synchronized (none) { Line.i("value", 0); } break;
            case 8: Line.i("value", a[-1]); break;
            case 9: a[a.length] = 1; break;
            case 10: Line.l("value", la[2]); break;
            case 11: Line.i("value", 1 / zero); break;
            case 12: Line.i("value", 1 % zero); break;
            case 13: Line.l("value", 1L / lzero); break;
            case 14: Line.l("value", 1L % lzero); break;
            case 15: Line.i("value", ((Exceptions) o).field); break;
            case 16: strings[0] = new Object(); break;
            case 17: Line.i("value", new int[k - 18].length); break;
            case 18: Line.i("value", new Object[k - 19].length); break;
            case 19: throw new RuntimeException("thrown");
            case 20: Line.i("value", 0x80000000 / (zero - 1)); break;
            default: Line.l("value", 0x8000000000000000L % (lzero - 1)); break;
        }
    }

    private int hashOf() {
        return field;
    }

    private static void nestedFinally() {
        try {
            try {
                try {
                    throw new RuntimeException("inner");
                } finally {
                    Line.s("finally", "1");
                }
            } finally {
                Line.s("finally", "2");
            }
        } catch (RuntimeException e) {
            Line.s("caught", e.getMessage());
        } finally {
            Line.s("finally", "3");
        }
        Line.i("returned", returnInFinally());
    }

    private static int returnInFinally() {
        int r = 1;
        try {
            r = 2;
            return r;
        } finally {
            Line.i("finally sees", r);
        }
    }

    private static void thrower() {
        thrown++;
        throw new RuntimeException("at end");
    }

    // The try's range ends where the inlined finally begins, so the throw
    // of the finally is outside that range: the finally runs once.
    private static int returnThenThrow() {
        try {
            return finallies++;
        } finally {
            thrower();
        }
    }

    private static void exclusiveEnd() {
        try {
            Line.i("no exception", returnThenThrow());
        } catch (RuntimeException e) {
            Line.s("caught", e.getMessage());
        }
        Line.i("thrower calls", thrown);
        Line.i("bodies", finallies);
    }

    private static int depth(int n) {
        if (n == 0) {
            int[] a = new int[1];
            return a[n - 1];
        }
        try {
            return depth(n - 1);
        } finally {
            Line.i("unwind", n);
        }
    }

    private static int middle() {
        try {
            return depth(3);
        } catch (ArrayIndexOutOfBoundsException e) {
            Line.s("middle", "rethrows");
            throw e;
        }
    }

    private static void rethrow() {
        try {
            Line.i("no exception", middle());
        } catch (ArrayIndexOutOfBoundsException e) {
            Line.s("rethrown", "ArrayIndexOutOfBoundsException");
        }
    }

    // The first matching handler wins, also when a later one is more exact.
    private static void handlerOrder() {
        try {
            throw new ArithmeticException("order");
        } catch (RuntimeException e) {
            Line.s("first handler", e.getMessage());
        }
        Throwable t = new Error("error");
        try {
            throw (Error) t;
        } catch (Exception e) {
            Line.s("wrong handler", e.getMessage());
        } catch (Throwable e) {
            Line.z("same object", e == t);
        }
    }
}
