package tests;

/**
 * The natives of java.lang: Object, Class, String, System, Runtime and
 * Throwable. Each case prints its name and what it gave; a thrown
 * exception prints its class name.
 */
public final class CoreNatives {
    private CoreNatives() {
    }

    /** An abstract class: not instantiable. */
    abstract static class Shape {
    }

    /** Only the constructor of Object takes no arguments. */
    static class NoDefault {
        NoDefault(int x) {
        }
    }

    /** A private constructor, out of reach of other classes. */
    static class Hidden {
        private Hidden() {
        }
    }

    /** A public constructor that counts its calls. */
    public static class Made {
        static int made;

        public Made() {
            made++;
        }
    }

    private static void name(String what) {
        Out.printString(what);
        Out.printString(": ");
    }

    private static void line(String what, boolean value) {
        name(what);
        Out.printBoolean(value);
        Out.newLine();
    }

    private static void line(String what, int value) {
        name(what);
        Out.printInt(value);
        Out.newLine();
    }

    private static void line(String what, String value) {
        name(what);
        Out.printString(value);
        Out.newLine();
    }

    private static void thrown(String what, Throwable t) {
        line(what, t.getClass().getName());
    }

    private static void strings() {
        line("\"ab\".hashCode()", "ab".hashCode());
        line("\"\".hashCode()", "".hashCode());
        String s = "banana";
        line("replace('a', 'a') is the same", s.replace('a', 'a') == s);
        line("replace('z', 'y') is the same", s.replace('z', 'y') == s);
        line("replace('a', 'o')", s.replace('a', 'o'));
        line("new String(\"x\").intern() == \"x\"", new String("x").intern() == "x");
        char[] units = {'n', 'e', 'w', '1'};
        String fresh = new String(units);
        line("a new string interns as itself", fresh.intern() == fresh);
        line("and is found again", new String(units).intern() == fresh);
        String abcab = "abcab";
        line("\"abcab\".indexOf(\"ab\", 1)", abcab.indexOf("ab", 1));
        line("\"abcab\".indexOf(\"ac\")", abcab.indexOf("ac"));
        line("\"aab\".indexOf(\"ab\")", "aab".indexOf("ab"));
        line("\"abc\".indexOf(\"\", 5)", "abc".indexOf("", 5));
        line("\"abc\".indexOf(\"bc\", -4)", "abc".indexOf("bc", -4));
        line("\"ab\".equals(new String(\"ab\"))", "ab".equals(new String("ab")));
        line("\"ab\".equals(\"abc\")", "ab".equals("abc"));
        line("\"ab\".equals(null)", "ab".equals(null));
        line("\"ab\".equals(an Object)", "ab".equals(new Object()));
        line("\"abc\".startsWith(\"b\", 1)", "abc".startsWith("b", 1));
        line("\"abc\".startsWith(\"\", 4)", "abc".startsWith("", 4));
        line("\"abc\".endsWith(\"bc\")", "abc".endsWith("bc"));
        try {
            "abc".startsWith(null, 0);
            line("startsWith(null, 0)", "no exception");
        } catch (NullPointerException e) {
            thrown("startsWith(null, 0)", e);
        }
        Object o = new Object();
        String expected = new StringBuffer("java.lang.Object@").append(Integer.toHexString(o.hashCode())).toString();
        line("Object.toString is the name, '@', the hash in hex", o.toString().equals(expected));
        line("String.valueOf(null Object)", String.valueOf((Object) null));
        line("append(Object)", new StringBuffer().append((Object) "x").append((Object) null).toString());
        line("insert(0, Object)", new StringBuffer("b").insert(0, (Object) "a").toString());
        line("String.valueOf(1.5f)", String.valueOf(1.5f));
        line("String.valueOf(2.25)", String.valueOf(2.25));
    }

    private static void classes() {
        line("int[][] name", new int[1][1].getClass().getName());
        line("String[] name", new String[0].getClass().getName());
        line("String name", "s".getClass().getName());
        line("byte[] isArray", new byte[0].getClass().isArray());
        line("String isArray", String.class.isArray());
        line("isInstance(null)", Object.class.isInstance(null));
        line("Object isInstance \"s\"", Object.class.isInstance("s"));
        line("String isInstance Object", String.class.isInstance(new Object()));
        line("Object isAssignableFrom String", Object.class.isAssignableFrom(String.class));
        line("String isAssignableFrom Object", String.class.isAssignableFrom(Object.class));
        line("Object isAssignableFrom int[]", Object.class.isAssignableFrom(new int[0].getClass()));
        try {
            Object.class.isAssignableFrom(null);
            line("isAssignableFrom(null)", "no exception");
        } catch (NullPointerException e) {
            thrown("isAssignableFrom(null)", e);
        }
        try {
            line("forName(\"java.lang.String\") == String.class",
                    Class.forName("java.lang.String") == String.class);
            // The name is made at run time: a string constant "[I" does not
            // pass the romizer yet.
            char[] intArray = {'[', 'I'};
            line("forName(\"[I\") is int[]'s class", Class.forName(new String(intArray)) == new int[0].getClass());
            Class.forName("tests.NoSuchClass");
            line("forName of a missing class", "no exception");
        } catch (ClassNotFoundException e) {
            thrown("forName of a missing class", e);
        }
        try {
            Class.forName(null);
        } catch (ClassNotFoundException e) {
            thrown("forName(null)", e);
        } catch (NullPointerException e) {
            thrown("forName(null)", e);
        }
    }

    private static void newInstance(String what, Class c) {
        try {
            Object o = c.newInstance();
            line(what, o.getClass().getName());
        } catch (InstantiationException e) {
            thrown(what, e);
        } catch (IllegalAccessException e) {
            thrown(what, e);
        }
    }

    private static void instances() {
        newInstance("newInstance of an abstract class", Shape.class);
        newInstance("newInstance of an interface", Runnable.class);
        newInstance("newInstance of an array class", new int[0].getClass());
        newInstance("newInstance with only an inherited constructor", NoDefault.class);
        newInstance("newInstance with a private constructor", Hidden.class);
        newInstance("newInstance of Made", Made.class);
        line("Made's constructor ran", Made.made);
        newInstance("newInstance of Object", Object.class);
    }

    private static void copy(String what, Object src, int srcPos, Object dst, int dstPos, int length) {
        try {
            System.arraycopy(src, srcPos, dst, dstPos, length);
            line(what, "copied");
        } catch (RuntimeException e) {
            thrown(what, e);
        }
    }

    private static void arraycopy() {
        int[] ints = {1, 2, 3, 4, 5};
        copy("src null, length 0", null, 0, ints, 0, 0);
        copy("dst null", ints, 0, null, 0, 1);
        copy("int[] into long[], bad indexes", ints, -1, new long[5], 9, 9);
        copy("int[] into a String", ints, 0, "s", 0, 1);
        copy("length 0 at srcPos = length", ints, 5, new int[5], 0, 0);
        copy("int[] past its end", ints, 3, new int[5], 0, 3);
        copy("negative length", ints, 0, new int[5], 0, -1);
        copy("overlapping move up", ints, 0, ints, 1, 4);
        line("ints after the move", ints[0] * 10000 + ints[1] * 1000 + ints[2] * 100 + ints[3] * 10 + ints[4]);
        Object[] mixed = {"a", "b", new Object(), "d"};
        String[] strings = new String[4];
        copy("Object[] into String[], non-String at 2", mixed, 0, strings, 0, 4);
        line("strings[0]", strings[0]);
        line("strings[1]", strings[1]);
        line("strings[2] stays null", strings[2] == null);
        copy("Object[] past the end", mixed, 2, strings, 0, 3);
        copy("String[] into int[]", strings, 0, ints, 0, 0);
    }

    private static void property(String key) {
        line(key, System.getProperty(key));
    }

    private static void system() {
        line("identityHashCode(null)", System.identityHashCode(null));
        Runtime r = Runtime.getRuntime();
        line("freeMemory <= totalMemory", r.freeMemory() <= r.totalMemory());
        line("freeMemory > 0", r.freeMemory() > 0);
        r.gc();
        System.gc();
        long t0 = System.currentTimeMillis();
        line("currentTimeMillis does not go back", System.currentTimeMillis() >= t0);
        try {
            r.exit(3);
            line("Runtime.exit", "returned");
        } catch (SecurityException e) {
            thrown("Runtime.exit", e);
        }
        property("microedition.configuration");
        property("microedition.profiles");
        property("microedition.locale");
        property("microedition.encoding");
        property("microedition.platform");
        property("supports.mixing");
        property("no.such.key");
        try {
            System.getProperty("");
        } catch (IllegalArgumentException e) {
            thrown("getProperty(\"\")", e);
        }
    }

    /** Reads the stream to its end in blocks: the count, or -1 on a byte off the pattern. */
    private static int readPattern(java.io.InputStream in) throws java.io.IOException {
        byte[] block = new byte[4096];
        int count = 0;
        int first = in.read();
        if (first != (31 * 0 + 0) % 256) {
            return -1;
        }
        count++;
        for (int n = in.read(block, 0, block.length); n > 0; n = in.read(block, 0, block.length)) {
            for (int i = 0; i < n; i++) {
                int at = count + i;
                if ((block[i] & 0xFF) != ((31 * at + (at >> 8)) & 0xFF)) {
                    return -1;
                }
            }
            count += n;
        }
        return count;
    }

    private static void resources() {
        try {
            java.io.InputStream in = CoreNatives.class.getResourceAsStream("pattern.bin");
            line("pattern.bin available", in.available());
            line("pattern.bin read, bytes on the pattern", readPattern(in));
            line("then read()", in.read());
            in = CoreNatives.class.getResourceAsStream("/tests/pattern.bin");
            line("/tests/pattern.bin read, bytes on the pattern", readPattern(in));
            line("missing.bin is null", CoreNatives.class.getResourceAsStream("missing.bin") == null);
            in = CoreNatives.class.getResourceAsStream("empty.bin");
            line("empty.bin is there", in != null);
            line("empty.bin read()", in.read());
            line("empty.bin read(b, 0, 1)", in.read(new byte[1], 0, 1));
            in = CoreNatives.class.getResourceAsStream("pattern.bin");
            try {
                in.read(new byte[4], 2, 3);
                line("read past the buffer", "no exception");
            } catch (IndexOutOfBoundsException e) {
                thrown("read past the buffer", e);
            }
        } catch (java.io.IOException e) {
            thrown("resources", e);
        }
    }

    private static void console() {
        com.sun.cldcvk.io.ConsoleOutputStream out = new com.sun.cldcvk.io.ConsoleOutputStream();
        byte[] text = {'-', 'c', 'o', 'n', 's', 'o', 'l', 'e', '-', '\n'};
        out.write('[');
        out.write(0x100 + ']');
        out.write('\n');
        out.write(text, 1, 7);
        out.write(text, 9, 1);
        out.write(text, 10, 0);
        try {
            out.write(text, 8, 3);
            line("console write past the array", "no exception");
        } catch (IndexOutOfBoundsException e) {
            thrown("console write past the array", e);
        }
    }

    /** Counts to a number in a thread of its own. */
    static final class Counter extends Thread {
        int count;

        public void run() {
            for (int i = 0; i < 1000; i++) {
                count++;
                if (i % 100 == 0) {
                    Thread.yield();
                }
            }
        }
    }

    private static void threads() {
        Counter counter = new Counter();
        counter.start();
        try {
            counter.join();
        } catch (InterruptedException e) {
            thrown("join", e);
        }
        line("joined: alive", counter.isAlive());
        line("joined: counted", counter.count);
        try {
            counter.join();
            line("join of an ended thread", "returned");
        } catch (InterruptedException e) {
            thrown("join of an ended thread", e);
        }
    }

    /** A reference to an object that nothing else holds. */
    private static java.lang.ref.WeakReference dropped() {
        return new java.lang.ref.WeakReference(new int[16]);
    }

    private static void weakReferences() {
        Object held = new Object();
        java.lang.ref.WeakReference toHeld = new java.lang.ref.WeakReference(held);
        java.lang.ref.WeakReference toDropped = dropped();
        java.lang.ref.WeakReference toCleared = new java.lang.ref.WeakReference(held);
        line("null referent reads null", new java.lang.ref.WeakReference(null).get() == null);
        line("get() before clear()", toCleared.get() == held);
        toCleared.clear();
        line("get() after clear()", toCleared.get() == null);
        System.gc();
        line("a held referent stays after gc()", toHeld.get() == held);
        line("an unreachable referent is null after gc()", toDropped.get() == null);
    }

    private static void c() {
        throw new RuntimeException("three deep");
    }

    private static void b() {
        c();
    }

    private static void a() {
        b();
    }

    private static void traces() {
        try {
            a();
        } catch (RuntimeException e) {
            e.printStackTrace();
        }
        try {
            Object o = null;
            o.hashCode();
        } catch (NullPointerException e) {
            e.printStackTrace();
        }
        Throwable t = new Error();
        t.printStackTrace();
    }

    public static void main(String[] args) {
        strings();
        classes();
        instances();
        arraycopy();
        system();
        resources();
        console();
        threads();
        weakReferences();
        traces();
    }
}
