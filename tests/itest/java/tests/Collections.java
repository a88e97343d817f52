package tests;

import java.util.EmptyStackException;
import java.util.Enumeration;
import java.util.Hashtable;
import java.util.NoSuchElementException;
import java.util.Stack;
import java.util.Vector;

/**
 * Vector, Stack and Hashtable: capacities as a vector grows from each
 * constructor, every edit and search, the index errors, the stack's
 * order, and a table's enumeration order as it grows and loses entries
 * (keys whose hashes collide, are negative, or repeat), and the text of
 * each as it grows and loses elements.
 */
public final class Collections {
    private Collections() {
    }

    public static void main(String[] args) {
        vectorGrowth();
        vectorEdits();
        vectorErrors();
        stack();
        tableOrder();
        tableEdits();
        vectorText();
        tableText();
    }

    private static void contents(String label, int k, Vector v) {
        Line.at(label, k);
        Out.printInt(v.size());
        Out.printChar('/');
        Out.printInt(v.capacity());
        for (Enumeration e = v.elements(); e.hasMoreElements();) {
            Out.printChar(' ');
            Object o = e.nextElement();
            Out.printString(o == null ? "null" : (String) o);
        }
        Out.newLine();
    }

    private static void vectorGrowth() {
        Vector[] vectors = { new Vector(), new Vector(0), new Vector(1), new Vector(3, 4), new Vector(0, 2),
            new Vector(5, -1) };
        for (int k = 0; k < vectors.length; k++) {
            Vector v = vectors[k];
            for (int i = 0; i < 25; i++) {
                v.addElement(String.valueOf(i));
                Line.at("capacity", k);
                Out.printInt(v.capacity());
                Out.newLine();
            }
            v.ensureCapacity(v.capacity() + 1);
            Line.i("ensureCapacity+1", v.capacity());
            v.ensureCapacity(-5);
            Line.i("ensureCapacity-5", v.capacity());
            v.setSize(3);
            contents("setSize 3", k, v);
            v.trimToSize();
            contents("trimToSize", k, v);
            v.setSize(v.capacity() * 2 + 3);
            Line.i("setSize grow", v.capacity());
            v.removeAllElements();
            contents("removeAllElements", k, v);
        }
    }

    private static void vectorEdits() {
        Vector v = new Vector(2);
        String[] words = { "a", "b", "c", "b", "a", null, "d" };
        for (int i = 0; i < words.length; i++) {
            v.addElement(words[i]);
        }
        contents("added", 0, v);
        Object[] probes = { "a", "b", "d", null, "x" };
        for (int k = 0; k < probes.length; k++) {
            Line.at("search", k);
            Object p = probes[k];
            Out.printInt(v.indexOf(p));
            Out.printChar(' ');
            Out.printInt(v.lastIndexOf(p));
            Out.printChar(' ');
            Out.printInt(v.indexOf(p, 2));
            Out.printChar(' ');
            Out.printInt(v.lastIndexOf(p, 3));
            Out.printChar(' ');
            Out.printBoolean(v.contains(p));
            Out.newLine();
        }
        v.insertElementAt("first", 0);
        v.insertElementAt("last", v.size());
        v.insertElementAt("mid", 4);
        contents("inserted", 0, v);
        v.setElementAt("B", 2);
        v.removeElementAt(0);
        contents("set and removed", 0, v);
        Line.z("removeElement a", v.removeElement("a"));
        Line.z("removeElement x", v.removeElement("x"));
        Line.z("removeElement null", v.removeElement(null));
        contents("after removeElement", 0, v);
        Line.s("firstElement", (String) v.firstElement());
        Line.s("lastElement", (String) v.lastElement());
        Line.s("elementAt 1", (String) v.elementAt(1));
        Line.z("isEmpty", v.isEmpty());
        Object[] copy = new Object[v.size() + 2];
        copy[v.size()] = "kept";
        v.copyInto(copy);
        for (int i = 0; i < copy.length; i++) {
            Line.at("copyInto", i);
            Out.printString((String) copy[i]);
            Out.newLine();
        }
        Enumeration e = v.elements();
        v.removeElementAt(v.size() - 1);
        int n = 0;
        while (e.hasMoreElements()) {
            e.nextElement();
            n++;
        }
        Line.i("enumerated after removal", n);
    }

    private static final String[] ERROR_NAMES = {
        "elementAt 3", "elementAt -1", "setElementAt 3", "removeElementAt 3", "removeElementAt -1",
        "insertElementAt 4", "insertElementAt -1", "lastIndexOf 3", "indexOf -1", "firstElement empty",
        "lastElement empty", "new Vector(-1)", "setSize -1", "enumeration past end",
    };

    private static void vectorError(int k, Vector v) {
        switch (k) {
        case 0: v.elementAt(3); break;
        case 1: v.elementAt(-1); break;
        case 2: v.setElementAt("x", 3); break;
        case 3: v.removeElementAt(3); break;
        case 4: v.removeElementAt(-1); break;
        case 5: v.insertElementAt("x", 4); break;
        case 6: v.insertElementAt("x", -1); break;
        case 7: v.lastIndexOf("a", 3); break;
        case 8: v.indexOf("a", -1); break;
        case 9: new Vector().firstElement(); break;
        case 10: new Vector().lastElement(); break;
        case 11: new Vector(-1); break;
        case 12: v.setSize(-1); break;
        default: {
            Enumeration e = v.elements();
            for (int i = 0; i < 4; i++) {
                e.nextElement();
            }
            break;
        }
        }
    }

    private static void vectorErrors() {
        for (int k = 0; k < ERROR_NAMES.length; k++) {
            Vector v = new Vector();
            v.addElement("a");
            v.addElement("b");
            v.addElement("c");
            Line.label(ERROR_NAMES[k]);
            try {
                vectorError(k, v);
                Out.printString("no exception");
            } catch (ArrayIndexOutOfBoundsException x) {
                Out.printString("ArrayIndexOutOfBoundsException");
            } catch (IndexOutOfBoundsException x) {
                Out.printString("IndexOutOfBoundsException");
            } catch (NoSuchElementException x) {
                Out.printString("NoSuchElementException");
            } catch (IllegalArgumentException x) {
                Out.printString("IllegalArgumentException");
            }
            Out.newLine();
        }
    }

    private static void stack() {
        Stack s = new Stack();
        Line.z("empty", s.empty());
        String[] items = { "x", "y", "z", "y" };
        for (int i = 0; i < items.length; i++) {
            Line.s("push", (String) s.push(items[i]));
        }
        String[] probes = { "x", "y", "z", "w" };
        for (int i = 0; i < probes.length; i++) {
            Line.at("search", i);
            Out.printInt(s.search(probes[i]));
            Out.newLine();
        }
        Line.s("peek", (String) s.peek());
        while (!s.empty()) {
            Line.s("pop", (String) s.pop());
        }
        try {
            s.pop();
            Line.s("pop empty", "no exception");
        } catch (EmptyStackException e) {
            Line.s("pop empty", "EmptyStackException");
        }
        try {
            s.peek();
            Line.s("peek empty", "no exception");
        } catch (EmptyStackException e) {
            Line.s("peek empty", "EmptyStackException");
        }
    }

    private static void keysAndValues(String label, int k, Hashtable t) {
        Line.at(label, k);
        Out.printInt(t.size());
        Enumeration keys = t.keys();
        Enumeration values = t.elements();
        while (keys.hasMoreElements()) {
            Out.printChar(' ');
            Out.printString(text(keys.nextElement()));
            Out.printChar('=');
            Out.printString(text(values.nextElement()));
        }
        Line.z(" ends", values.hasMoreElements());
    }

    private static String text(Object o) {
        return o instanceof Integer ? ((Integer) o).toString() : (String) o;
    }

    /** Keys of one table: small and negative integers, strings, and colliding ones. */
    private static Object key(int k, int i) {
        switch (k) {
        case 0: return new Integer(i);
        case 1: return new Integer(-i * 7919);
        case 2: return "k" + i;
        default: return new Integer(i * 11);
        }
    }

    private static void tableOrder() {
        int[] capacities = { 11, 0, 1, 4, 100 };
        for (int c = 0; c < capacities.length; c++) {
            for (int k = 0; k < 4; k++) {
                Hashtable t = c == 0 ? new Hashtable() : new Hashtable(capacities[c]);
                for (int i = 0; i < 40; i++) {
                    t.put(key(k, i), new Integer(i));
                    if (i % 7 == 6) {
                        keysAndValues("grown", c * 10 + k, t);
                    }
                }
                for (int i = 0; i < 40; i += 3) {
                    t.remove(key(k, i));
                }
                keysAndValues("removed", c * 10 + k, t);
                for (int i = 0; i < 40; i += 2) {
                    t.put(key(k, i), "again");
                }
                keysAndValues("put again", c * 10 + k, t);
            }
        }
    }

    private static void tableEdits() {
        Hashtable t = new Hashtable();
        Line.z("isEmpty", t.isEmpty());
        Line.z("put new", t.put("a", "1") == null);
        Line.s("put old", (String) t.put("a", "2"));
        t.put("b", "3");
        Line.s("get a", (String) t.get("a"));
        Line.z("get x", t.get("x") == null);
        Line.z("containsKey a", t.containsKey("a"));
        Line.z("containsKey x", t.containsKey("x"));
        Line.z("contains 3", t.contains("3"));
        Line.z("contains a", t.contains("a"));
        Line.s("remove a", (String) t.remove("a"));
        Line.z("remove a again", t.remove("a") == null);
        Line.i("size", t.size());
        Enumeration e = t.keys();
        t.clear();
        Line.i("size after clear", t.size());
        Line.z("isEmpty after clear", t.isEmpty());
        Line.z("old enumeration", e.hasMoreElements());
        String[] names = { "put null key", "put null value", "get null", "containsKey null", "contains null",
            "remove null", "new Hashtable(-1)", "enumeration past end" };
        for (int k = 0; k < names.length; k++) {
            Line.label(names[k]);
            try {
                switch (k) {
                case 0: t.put(null, "v"); break;
                case 1: t.put("k", null); break;
                case 2: t.get(null); break;
                case 3: t.containsKey(null); break;
                case 4: t.contains(null); break;
                case 5: t.remove(null); break;
                case 6: new Hashtable(-1); break;
                default: t.elements().nextElement(); break;
                }
                Out.printString("no exception");
            } catch (NullPointerException x) {
                Out.printString("NullPointerException");
            } catch (IllegalArgumentException x) {
                Out.printString("IllegalArgumentException");
            } catch (NoSuchElementException x) {
                Out.printString("NoSuchElementException");
            }
            Out.newLine();
        }
    }

    /** Element i of the texts' collections: strings and integers by turns. */
    private static Object element(int i) {
        return i % 2 == 0 ? (Object) ("s" + i) : new Integer(-i * 31);
    }

    private static void vectorText() {
        Vector v = new Vector(2);
        Line.s("vector text empty", v.toString());
        for (int i = 0; i < 13; i++) {
            v.addElement(element(i));
            if (i % 4 == 0) {
                Line.at("vector text grown", i);
                Out.printString(v.toString());
                Out.newLine();
            }
        }
        v.removeElementAt(0);
        v.removeElement(new Integer(-5 * 31));
        v.removeElementAt(v.size() - 1);
        Line.s("vector text removed", v.toString());
        v.insertElementAt(null, 2);
        v.addElement(v);
        Line.s("vector text null and itself", v.toString());
        v.removeAllElements();
        Line.s("vector text cleared", v.toString());
        Stack s = new Stack();
        s.push("x");
        s.push(new Integer(7));
        Line.s("stack text", s.toString());
    }

    private static void tableText() {
        Hashtable t = new Hashtable(3);
        Line.s("table text empty", t.toString());
        for (int i = 0; i < 20; i++) {
            t.put(element(i), element(i + 1));
            if (i % 5 == 0) {
                Line.at("table text grown", i);
                Out.printString(t.toString());
                Out.newLine();
            }
        }
        for (int i = 0; i < 20; i += 3) {
            t.remove(element(i));
        }
        Line.s("table text removed", t.toString());
        t.put("self", t);
        Line.s("table text itself", t.toString());
        t.clear();
        t.put(new Integer(1), "one");
        Line.s("table text one entry", t.toString());
    }
}
