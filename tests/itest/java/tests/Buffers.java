package tests;

/**
 * StringBuffer: capacities as it grows from each constructor, every append
 * and insert, delete, deleteCharAt, setLength, setCharAt, reverse (with
 * surrogate pairs), getChars and the index errors; the String members
 * built on char arrays.
 */
public final class Buffers {
    private Buffers() {
    }

    public static void main(String[] args) {
        growth();
        edits();
        errors();
        strings();
        searches();
    }

    private static final String[] TEXTS = {
        "", "a", "abcabc", "ABCabc", "  pad \t\n", "\u00e9\u00c9\u00ff\u0131x", "bc", "ABC", "\u0000 z"
    };

    private static void result(String label, int k, int j, int value) {
        Line.at(label, k);
        Out.printInt(j);
        Out.printChar(' ');
        Out.printInt(value);
        Out.newLine();
    }

    private static void result(String label, int k, int j, boolean value) {
        result(label, k, j, value ? 1 : 0);
    }

    /** The codes of a string's chars. */
    private static void codes(String label, int k, String s) {
        Line.at(label, k);
        for (int i = 0; i < s.length(); i++) {
            Out.printInt(s.charAt(i));
            Out.printChar(' ');
        }
        Out.newLine();
    }

    /** Every member that compares or searches, over all pairs of TEXTS. */
    private static void searches() {
        for (int k = 0; k < TEXTS.length; k++) {
            String s = TEXTS[k];
            for (int j = 0; j < TEXTS.length; j++) {
                String t = TEXTS[j];
                result("startsWith", k, j, s.startsWith(t));
                result("endsWith", k, j, s.endsWith(t));
                result("indexOf", k, j, s.indexOf(t));
                result("equalsIgnoreCase", k, j, s.equalsIgnoreCase(t));
                result("compareTo", k, j, s.compareTo(t));
                result("concat", k, j, s.concat(t).hashCode());
                for (int from = -1; from <= 7; from += 2) {
                    result("startsWith from", k, from, s.startsWith(t, from));
                    result("indexOf from", k, from, s.indexOf(t, from));
                    result("regionMatches", k, from, s.regionMatches(false, from, t, 1, 2));
                    result("regionMatches case", k, from, s.regionMatches(true, 1, t, from, 2));
                }
            }
            for (int from = -2; from <= 7; from++) {
                result("indexOf char", k, from, s.indexOf('b', from));
                result("lastIndexOf char", k, from, s.lastIndexOf('b', from));
            }
            result("indexOf a", k, 0, s.indexOf('a'));
            result("lastIndexOf a", k, 0, s.lastIndexOf('a'));
            codes("trim", k, s.trim());
            codes("toUpperCase", k, s.toUpperCase());
            codes("toLowerCase", k, s.toLowerCase());
            codes("replace", k, s.replace('a', '_'));
            result("equalsIgnoreCase null", k, 0, s.equalsIgnoreCase(null));
            for (int b = -1; b <= s.length() + 1; b++) {
                Line.at("substring", k);
                Out.printInt(b);
                Out.printChar(' ');
                try {
                    codes("", b, s.substring(b));
                    codes("to end", b, s.substring(b, s.length()));
                    codes("one", b, s.substring(b, b + 1));
                } catch (StringIndexOutOfBoundsException e) {
                    Out.printString("StringIndexOutOfBoundsException");
                    Out.newLine();
                }
            }
        }
        String same = "keep";
        Line.z("trim same", same.trim() == same);
        Line.z("replace same", same.replace('x', 'y') == same);
        Line.z("concat empty", same.concat("") == same);
        Line.z("substring whole", same.substring(0) == same);
    }

    private static void show(String label, StringBuffer b) {
        Line.label(label);
        Out.printString(b.toString());
        Out.printChar(' ');
        Out.printInt(b.length());
        Out.printChar(' ');
        Out.printInt(b.capacity());
        Out.newLine();
    }

    /** The codes of the buffer's chars, for text that is not ASCII. */
    private static void codes(String label, StringBuffer b) {
        Line.label(label);
        for (int i = 0; i < b.length(); i++) {
            Out.printInt(b.charAt(i));
            Out.printChar(' ');
        }
        Out.newLine();
    }

    private static void growth() {
        StringBuffer[] starts = {
            new StringBuffer(), new StringBuffer(0), new StringBuffer(1), new StringBuffer("abc")
        };
        for (int k = 0; k < starts.length; k++) {
            StringBuffer b = starts[k];
            int last = -1;
            for (int n = 0; n < 300; n++) {
                b.append((char) ('a' + n % 26));
                if (b.capacity() != last) {
                    last = b.capacity();
                    Line.at("growth", k);
                    Out.printInt(b.length());
                    Out.printChar(' ');
                    Out.printInt(last);
                    Out.newLine();
                }
            }
            b.append("0123456789012345678901234567890123456789012345678901234567890123456789"
                    + "0123456789012345678901234567890123456789012345678901234567890123456789"
                    + "0123456789012345678901234567890123456789012345678901234567890123456789"
                    + "0123456789012345678901234567890123456789012345678901234567890123456789"
                    + "0123456789012345678901234567890123456789012345678901234567890123456789");
            Line.at("long append", k);
            Out.printInt(b.capacity());
            Out.newLine();
        }
        StringBuffer e = new StringBuffer();
        e.ensureCapacity(17);
        Line.i("ensureCapacity 17", e.capacity());
        e.ensureCapacity(100);
        Line.i("ensureCapacity 100", e.capacity());
        e.ensureCapacity(-5);
        Line.i("ensureCapacity -5", e.capacity());
        e.setLength(250);
        Line.i("setLength 250", e.capacity());
        Line.i("padding", e.charAt(249));
        e.setLength(3);
        e.setCharAt(0, 'p');
        e.setCharAt(2, 'q');
        e.setCharAt(1, '.');
        show("setLength 3", e.append("x"));
    }

    private static void edits() {
        StringBuffer b = new StringBuffer("mid");
        b.append(true).append(false).append('c').append(-12).append(Long.MIN_VALUE);
        b.append((String) null).append(new char[] { 'x', 'y', 'z' }).append(new char[] { '0', '1', '2', '3' }, 1, 2);
        show("appends", b);
        b.insert(0, "<").insert(b.length(), ">").insert(4, 99).insert(2, 'Q').insert(1, true);
        b.insert(3, 1234567890123L).insert(0, (String) null).insert(5, new char[] { 'h', 'i' });
        show("inserts", b);
        b.delete(0, 4);
        show("delete 0 4", b);
        b.delete(10, 10000);
        show("delete past end", b);
        b.delete(3, 3);
        show("delete empty", b);
        b.deleteCharAt(0).deleteCharAt(b.length() - 1);
        show("deleteCharAt", b);
        b.setCharAt(1, '#');
        show("setCharAt", b);
        show("reverse", b.reverse());
        show("reverse empty", new StringBuffer().reverse());
        show("reverse one", new StringBuffer("a").reverse());
        StringBuffer s = new StringBuffer();
        s.append('a').append('\uD800').append('\uDC00').append('b').append('\uDC01').append('\uD801').append('\uD802');
        codes("reverse surrogates", s.reverse());
        char[] dst = { '-', '-', '-', '-', '-' };
        new StringBuffer("hello").getChars(1, 4, dst, 2);
        Line.s("getChars", new String(dst));
    }

    private static void errors() {
        StringBuffer b = new StringBuffer("abc");
        int[] cases = { -1, 3, 4 };
        for (int k = 0; k < cases.length; k++) {
            int i = cases[k];
            Line.at("charAt", i);
            try {
                Out.printChar(b.charAt(i));
            } catch (StringIndexOutOfBoundsException e) {
                Out.printString("StringIndexOutOfBoundsException");
            }
            Out.newLine();
            Line.at("setCharAt", i);
            try {
                b.setCharAt(i, 'x');
                Out.printString(b.toString());
            } catch (StringIndexOutOfBoundsException e) {
                Out.printString("StringIndexOutOfBoundsException");
            }
            Out.newLine();
            Line.at("deleteCharAt", i);
            try {
                Out.printString(new StringBuffer("abc").deleteCharAt(i).toString());
            } catch (StringIndexOutOfBoundsException e) {
                Out.printString("StringIndexOutOfBoundsException");
            }
            Out.newLine();
            Line.at("insert", i);
            try {
                Out.printString(new StringBuffer("abc").insert(i, "X").toString());
            } catch (StringIndexOutOfBoundsException e) {
                Out.printString("StringIndexOutOfBoundsException");
            }
            Out.newLine();
            Line.at("delete from", i);
            try {
                Out.printString(new StringBuffer("abc").delete(i, 2).toString());
            } catch (StringIndexOutOfBoundsException e) {
                Out.printString("StringIndexOutOfBoundsException");
            }
            Out.newLine();
        }
        Line.label("setLength -1");
        try {
            b.setLength(-1);
        } catch (StringIndexOutOfBoundsException e) {
            Out.printString("StringIndexOutOfBoundsException");
        }
        Out.newLine();
        Line.label("new StringBuffer -1");
        try {
            new StringBuffer(-1);
        } catch (NegativeArraySizeException e) {
            Out.printString("NegativeArraySizeException");
        }
        Out.newLine();
    }

    private static void strings() {
        char[] chars = { 'p', 'q', 'r', 's', 't' };
        int[][] cases = { { 0, 5 }, { 1, 3 }, { 5, 0 }, { -1, 2 }, { 2, -1 }, { 4, 2 }, { 0, 6 } };
        for (int k = 0; k < cases.length; k++) {
            Line.at("new String", k);
            try {
                Out.printString(new String(chars, cases[k][0], cases[k][1]));
            } catch (StringIndexOutOfBoundsException e) {
                Out.printString("StringIndexOutOfBoundsException");
            }
            Out.newLine();
            Line.at("getChars", k);
            try {
                char[] dst = { '-', '-', '-', '-' };
                "pqrst".getChars(cases[k][0], cases[k][1], dst, 0);
                Out.printString(new String(dst));
            } catch (StringIndexOutOfBoundsException e) {
                Out.printString("StringIndexOutOfBoundsException");
            }
            Out.newLine();
        }
        String s = new String(new StringBuffer("from buffer"));
        Line.s("String(StringBuffer)", s);
        Line.i("length", s.length());
        Line.c("charAt", s.charAt(5));
        Line.label("charAt 11");
        try {
            s.charAt(11);
        } catch (StringIndexOutOfBoundsException e) {
            Out.printString("StringIndexOutOfBoundsException");
        }
        Out.newLine();
        Line.i("toCharArray", s.toCharArray().length);
        Line.z("equals", s.equals("from buffer"));
        Line.z("equals prefix", s.equals("from"));
        Line.z("equals null", s.equals(null));
        Line.z("equals buffer", s.equals(new StringBuffer("from buffer")));
        Line.i("hashCode", s.hashCode());
        Line.i("hashCode empty", "".hashCode());
        Line.i("hashCode high", "\uffff\u8000".hashCode());
        Line.z("toString self", s.toString() == s);
        Line.s("valueOf true", String.valueOf(true));
        Line.s("valueOf char", String.valueOf('c'));
        Line.s("valueOf chars", String.valueOf(chars, 1, 3));
        Line.s("valueOf all chars", String.valueOf(chars));
    }
}
