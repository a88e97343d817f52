package tests;

import java.io.UnsupportedEncodingException;

/**
 * String's byte-array constructors and getBytes in "UTF-8" and
 * "ISO-8859-1" over the sequences and texts of Encodings: the whole
 * array, a range inside it, a substring's bytes; and the errors of names
 * and ranges, the name checked before the range.
 */
public final class StringBytes {
    private StringBytes() {
    }

    private static void decode(String label, int k, byte[] bytes) throws UnsupportedEncodingException {
        for (int e = 0; e < Encodings.NAMES.length; e++) {
            Line.at(label, k);
            Out.printString(Encodings.NAMES[e]);
            Out.printChar(':');
            printChars(new String(bytes, Encodings.NAMES[e]));
            if (bytes.length > 1) {
                Out.printString(" range:");
                printChars(new String(bytes, 1, bytes.length - 2, Encodings.NAMES[e]));
            }
            Out.newLine();
        }
    }

    private static void printChars(String s) {
        for (int i = 0; i < s.length(); i++) {
            Out.printChar(' ');
            Out.printInt(s.charAt(i));
        }
    }

    private static final String[] CASES = {
        "negative offset", "negative length", "past the end", "null name", "null name, bad range", "unknown name",
        "unknown name, bad range", "null bytes", "getBytes null name", "getBytes unknown name", "name with a space",
    };

    private static void errors() {
        byte[] bytes = { 0x41, 0x42, 0x43 };
        for (int k = 0; k < CASES.length; k++) {
            Line.label(CASES[k]);
            try {
                switch (k) {
                case 0: new String(bytes, -1, 2, "UTF-8"); break;
                case 1: new String(bytes, 1, -1, "UTF-8"); break;
                case 2: new String(bytes, 2, 2, "ISO-8859-1"); break;
                case 3: new String(bytes, (String) null); break;
                case 4: new String(bytes, 5, 1, (String) null); break;
                case 5: new String(bytes, "xyz"); break;
                case 6: new String(bytes, 5, 1, "xyz"); break;
                case 7: new String((byte[]) null, "UTF-8"); break;
                case 8: "abc".getBytes((String) null); break;
                case 9: "abc".getBytes("xyz"); break;
                default: new String(bytes, "UTF 8"); break;
                }
                Out.printString("made");
            } catch (StringIndexOutOfBoundsException e) {
                Out.printString("StringIndexOutOfBoundsException");
            } catch (NullPointerException e) {
                Out.printString("NullPointerException");
            } catch (UnsupportedEncodingException e) {
                Out.printString("UnsupportedEncodingException");
            }
            Out.newLine();
        }
    }

    public static void main(String[] args) throws UnsupportedEncodingException {
        for (int k = 0; k < Encodings.SEQUENCES.length; k++) {
            decode("table", k, Encodings.sequence(k));
        }
        byte[][] random = Encodings.randomSequences();
        for (int k = 0; k < random.length; k++) {
            decode("random", k, random[k]);
        }
        for (int e = 0; e < Encodings.NAMES.length; e++) {
            String name = Encodings.NAMES[e];
            for (int k = 0; k < Encodings.TEXTS.length; k++) {
                String s = Encodings.TEXTS[k];
                Encodings.printBytes("getBytes " + name, k, s.getBytes(name));
                String inside = "<" + s + ">";
                Encodings.printBytes("getBytes of a substring " + name, k, inside.substring(1, s.length() + 1)
                        .getBytes(name));
            }
        }
        errors();
    }
}
