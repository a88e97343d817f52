package tests;

import java.util.Stack;
import java.util.Vector;

/**
 * Class against HotSpot: forName of classes and array classes (and the
 * missing one), getName, isArray, isInterface, isInstance and
 * isAssignableFrom over a table of classes, newInstance and its refusals,
 * and the order of initialisation: the superclass first, each class once,
 * forName initialising, and a cycle of two classes whose initializers
 * read each other's fields; malformed and primitive names; a failing
 * initializer (an Error, then NoClassDefFoundError on every later use, also
 * of a subclass, forName and newInstance, the initializer run once); a
 * thread that uses a class while another initialises it waits for the end.
 */
public final class Classes {
    private Classes() {
    }

    private static final StringBuffer LOG = new StringBuffer();

    static class Base {
        static int x = log("Base", 1);
    }

    static class Derived extends Base {
        static int y = log("Derived", 2);
    }

    static class ByName {
        static int z = log("ByName", 3);
    }

    static class CycleA {
        static int a = CycleB.b + 1;
    }

    static class CycleB {
        static int b = CycleA.a + 10;
    }

    static int zero() {
        return 0;
    }

    static final Error THROWN = new Error("from an initializer");

    static Error thrown() {
        return THROWN;
    }

    /** Its initializer throws ArithmeticException, which is no Error. */
    static class Failing {
        static int v = log("Failing", 1 / zero());
    }

    /** Its initializer throws THROWN. */
    static class FailingError {
        static int v = log("FailingError", 1);

        static {
            if (v == 1) {
                throw thrown();
            }
        }
    }

    static class FailingSub extends Failing {
        static int w = log("FailingSub", 2);
    }

    /**
     * A class initialised by one thread while another uses it: its
     * initializer holds the first thread at the gate until main opens it.
     */
    static final class Waiting {
        private Waiting() {
        }

        private static final Object GATE = new Object();
        private static boolean arrived;
        private static boolean open;

        /** Called by an initializer: tells main, then waits for the gate. */
        static int arrive(int value) {
            synchronized (GATE) {
                arrived = true;
                GATE.notifyAll();
                while (!open) {
                    try {
                        GATE.wait();
                    } catch (InterruptedException e) {
                        return -1;
                    }
                }
            }
            return value;
        }

        static class Slow {
            static int v = arrive(42);
        }

        static class SlowFailing {
            static int v = arrive(1) / zero();
        }

        /** Uses one of the two classes and keeps what it saw. */
        static final class User extends Thread {
            private final boolean failing;
            String result = "nothing";

            User(boolean failing) {
                this.failing = failing;
            }

            public void run() {
                try {
                    result = "v " + (failing ? SlowFailing.v : Slow.v);
                } catch (NoClassDefFoundError e) {
                    result = "NoClassDefFoundError";
                } catch (Error e) {
                    result = "an Error";
                }
            }
        }

        static void main() throws InterruptedException {
            for (int k = 0; k < 2; k++) {
                synchronized (GATE) {
                    arrived = false;
                    open = false;
                }
                User first = new User(k == 1);
                first.start();
                synchronized (GATE) {
                    while (!arrived) {
                        GATE.wait();
                    }
                }
                User second = new User(k == 1);
                second.start();
                // The second thread meets the class under initialisation.
                for (int i = 0; i < 20; i++) {
                    Thread.yield();
                }
                synchronized (GATE) {
                    open = true;
                    GATE.notifyAll();
                }
                first.join();
                second.join();
                String label = k == 1 ? "initialising thread, failing" : "initialising thread";
                line(label, first.result);
                line(k == 1 ? "waiting thread, failing" : "waiting thread", second.result);
            }
        }
    }

    abstract static class Shape {
        public Shape() {
        }
    }

    /** Has no constructor without parameters. */
    static class NoDefault {
        NoDefault(int i) {
        }
    }

    static int log(String name, int value) {
        LOG.append(name).append(' ');
        return value;
    }

    /** Class names, '#' for '[' (the image refuses such string constants). */
    private static final String[] NAMES = {
        "java.lang.Object", "java.lang.String", "java.lang.Runnable", "java.lang.Thread", "java.util.Vector",
        "java.util.Stack", "#I", "#Ljava.lang.String;", "#Ljava.lang.Object;", "##B", "tests.Classes$NoDefault",
    };

    private static Class forName(String name) throws ClassNotFoundException {
        return Class.forName(name.replace('#', '['));
    }

    private static Class[] classes() throws ClassNotFoundException {
        Class[] classes = new Class[NAMES.length];
        for (int i = 0; i < NAMES.length; i++) {
            classes[i] = forName(NAMES[i]);
        }
        return classes;
    }

    private static final Object[] OBJECTS = {
        new Object(), "text", new Thread(), new Stack(), new int[1], new String[1], new Object[1], new byte[1][1],
        null,
    };

    private static void line(String label, String value) {
        Line.s(label, value);
    }

    private static void newInstance(String label, Class c) {
        try {
            Object o = c.newInstance();
            line(label, o.getClass().getName());
        } catch (InstantiationException e) {
            line(label, "InstantiationException");
        } catch (IllegalAccessException e) {
            line(label, "IllegalAccessException");
        }
    }

    public static void main(String[] args) throws ClassNotFoundException, InterruptedException {
        Class[] classes = classes();
        for (int i = 0; i < classes.length; i++) {
            Class c = classes[i];
            Line.at("class", i);
            Out.printString(c.getName());
            Out.printString(c.isArray() ? " array" : "");
            Out.printString(c.isInterface() ? " interface" : "");
            Out.printString(" instances:");
            for (int k = 0; k < OBJECTS.length; k++) {
                Out.printChar(c.isInstance(OBJECTS[k]) ? '1' : '0');
            }
            Out.printString(" assignable from:");
            for (int k = 0; k < classes.length; k++) {
                Out.printChar(c.isAssignableFrom(classes[k]) ? '1' : '0');
            }
            Out.newLine();
        }
        Line.z("forName gives the same class", Class.forName("java.util.Vector") == new Vector().getClass());
        String[] missing = { "tests.NoSuchClass", "java/lang/String", "#Ltests.NoSuchClass;", "", "#X", "#", "##",
            "#L", "#L;", "#Ljava.lang.String", "#Ljava/lang/String;", "#Ljava.lang.String;x", "#LI;", "#I;", "#V",
            "##X", "#II", "#L#I;", "#3I", "I", "V", "int", "a..b", ".java.lang.String", "java.lang.String;" };
        for (int k = 0; k < missing.length; k++) {
            Line.at("forName missing", k);
            try {
                Out.printString(forName(missing[k]).getName());
            } catch (ClassNotFoundException e) {
                Out.printString("ClassNotFoundException");
            }
            Out.newLine();
        }
        newInstance("newInstance Vector", Vector.class);
        newInstance("newInstance Stack", Class.forName("java.util.Stack"));
        newInstance("newInstance abstract", Shape.class);
        newInstance("newInstance interface", Runnable.class);
        newInstance("newInstance array", forName("#I"));
        newInstance("newInstance private constructor", Math.class);
        newInstance("newInstance no default constructor", NoDefault.class);
        line("log before", LOG.toString());
        Line.i("Derived.y", Derived.y);
        line("log after Derived", LOG.toString());
        Line.i("Base.x", Base.x);
        Line.i("Derived.y again", Derived.y);
        line("log after both again", LOG.toString());
        Class.forName("tests.Classes$ByName");
        line("log after forName", LOG.toString());
        Line.i("ByName.z", ByName.z);
        line("log at the end", LOG.toString());
        Line.i("CycleA.a", CycleA.a);
        Line.i("CycleB.b", CycleB.b);
        failing();
        Waiting.main();
    }

    private static final String[] USES = {
        "Failing.v", "Failing.v again", "FailingSub.w", "forName Failing", "newInstance Failing",
        "FailingError.v", "FailingError.v again",
    };

    /** Each use of a class whose initializer failed: what it threw. */
    private static void failing() {
        for (int k = 0; k < USES.length; k++) {
            Line.label(USES[k]);
            try {
                switch (k) {
                case 0: case 1: Out.printInt(Failing.v); break;
                case 2: Out.printInt(FailingSub.w); break;
                case 3: Class.forName("tests.Classes$Failing"); break;
                case 4: Failing.class.newInstance(); break;
                default: Out.printInt(FailingError.v); break;
                }
                Out.printString("no exception");
            } catch (NoClassDefFoundError e) {
                Out.printString("NoClassDefFoundError");
            } catch (Error e) {
                Out.printString(e == THROWN ? "the Error thrown" : "an Error");
            } catch (Throwable e) {
                Out.printString("not an Error");
            }
            Out.newLine();
        }
        line("log after the failures", LOG.toString());
    }
}
