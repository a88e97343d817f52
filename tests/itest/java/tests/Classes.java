package tests;

import java.util.Stack;
import java.util.Vector;

/**
 * Class against HotSpot: forName of classes and array classes (and the
 * missing one), getName, isArray, isInterface, isInstance and
 * isAssignableFrom over a table of classes, newInstance and its refusals,
 * and the order of initialisation: the superclass first, each class once,
 * forName initialising, and a cycle of two classes whose initializers
 * read each other's fields.
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

    public static void main(String[] args) throws ClassNotFoundException {
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
        String[] missing = { "tests.NoSuchClass", "java/lang/String", "#Ltests.NoSuchClass;", "" };
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
    }
}
