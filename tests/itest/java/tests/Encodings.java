package tests;

import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStreamReader;
import java.io.OutputStreamWriter;
import java.io.UnsupportedEncodingException;

/**
 * InputStreamReader and OutputStreamWriter in "UTF-8" and "ISO-8859-1":
 * decoding of a table of valid and malformed sequences and of random
 * bytes biased to lead and continuation bytes, each read whole, char by
 * char, and in small pieces that cut sequences (how many chars each read
 * gives is the reader's choice, so the pieces print joined); encoding of chars up to
 * and above 0xFF, surrogate pairs (whole and cut between writes) and lone
 * surrogates; the names accepted and refused.
 */
public final class Encodings {
    private Encodings() {
    }

    static final String[] NAMES = { "UTF-8", "ISO-8859-1" };

    static final int[][] SEQUENCES = {
        {}, { 0x41 }, { 0x00, 0x7F }, { 0xC2, 0x80 }, { 0xDF, 0xBF }, { 0xC0, 0x80 }, { 0xC1, 0xBF },
        { 0xC2 }, { 0xC2, 0x41 }, { 0xE0, 0xA0, 0x80 }, { 0xE0, 0x80, 0x80 }, { 0xE0, 0x9F, 0xBF },
        { 0xED, 0x9F, 0xBF }, { 0xED, 0xA0, 0x80 }, { 0xED, 0xBF, 0xBF }, { 0xEF, 0xBF, 0xBF },
        { 0xE1, 0x80 }, { 0xE1 }, { 0xE1, 0x80, 0x41 }, { 0xE1, 0x41, 0x41 }, { 0xF0, 0x90, 0x80, 0x80 },
        { 0xF4, 0x8F, 0xBF, 0xBF }, { 0xF4, 0x90, 0x80, 0x80 }, { 0xF0, 0x80, 0x80, 0x80 },
        { 0xF5, 0x80, 0x80, 0x80 }, { 0xF8, 0x88, 0x80, 0x80, 0x80 }, { 0xFF, 0xFE }, { 0xF0, 0x90, 0x80 },
        { 0xF0, 0x90 }, { 0xF0 }, { 0xF0, 0x90, 0x41 }, { 0xF0, 0x41 }, { 0xF0, 0x90, 0x80, 0x41 },
        { 0x80, 0xBF, 0x41 }, { 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80, 0x7A }, { 0xC3, 0xA9, 0xE2 },
    };

    private static final int[] PIECES = { 1, 2, 3, 5, 64 };

    public static void main(String[] args) throws IOException {
        for (int k = 0; k < SEQUENCES.length; k++) {
            decodeAll("table", k, sequence(k));
        }
        byte[][] random = randomSequences();
        for (int k = 0; k < random.length; k++) {
            decodeAll("random", k, random[k]);
        }
        encodings();
        names();
    }

    /** The bytes of SEQUENCES[k]. */
    static byte[] sequence(int k) {
        byte[] bytes = new byte[SEQUENCES[k].length];
        for (int i = 0; i < bytes.length; i++) {
            bytes[i] = (byte) SEQUENCES[k][i];
        }
        return bytes;
    }

    /** 300 sequences of up to 10 bytes, biased to lead and continuation bytes. */
    static byte[][] randomSequences() {
        byte[][] sequences = new byte[300][];
        long seed = 99;
        int[] pool = { 0x41, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC2, 0xDF, 0xE0, 0xE1, 0xED, 0xEF, 0xF0,
            0xF4, 0xF5, 0xFF, 0x00 };
        for (int k = 0; k < sequences.length; k++) {
            seed = seed * 6364136223846793005L + 1442695040888963407L;
            int length = (int) ((seed >>> 33) % 11);
            byte[] bytes = new byte[length];
            for (int i = 0; i < length; i++) {
                seed = seed * 6364136223846793005L + 1442695040888963407L;
                bytes[i] = (byte) pool[(int) ((seed >>> 33) % pool.length)];
            }
            sequences[k] = bytes;
        }
        return sequences;
    }

    private static void decodeAll(String label, int k, byte[] bytes) throws IOException {
        for (int e = 0; e < NAMES.length; e++) {
            InputStreamReader r = new InputStreamReader(new ByteArrayInputStream(bytes), NAMES[e]);
            Line.at(label, k);
            Out.printString(NAMES[e]);
            Out.printString(" ready ");
            Out.printBoolean(r.ready());
            Out.printChar(':');
            for (int c = r.read(); c >= 0; c = r.read()) {
                Out.printChar(' ');
                Out.printInt(c);
            }
            Out.printString(" ready ");
            Out.printBoolean(r.ready());
            Out.newLine();
            for (int p = 0; p < PIECES.length; p++) {
                r = new InputStreamReader(new ByteArrayInputStream(bytes), NAMES[e]);
                char[] piece = new char[PIECES[p] + 2];
                Line.at(label, k);
                Out.printString(NAMES[e]);
                Out.printString(" pieces of ");
                Out.printInt(PIECES[p]);
                Out.printChar(':');
                for (int n = r.read(piece, 1, PIECES[p]); n >= 0; n = r.read(piece, 1, PIECES[p])) {
                    for (int i = 1; i <= n; i++) {
                        Out.printChar(' ');
                        Out.printInt(piece[i]);
                    }
                }
                Out.newLine();
            }
        }
    }

    static final String[] TEXTS = {
        "", "plain", "\u00e9\u00ff\u0100", "\u20ac\uffff\u0800\u07ff", "a\ud83d\ude00b", "\ud800", "\udc00x",
        "\ud800\ud800\udc00", "\udbff\udfff", "x\ud800", "\ud800y\udc00",
    };

    private static void encodings() throws IOException {
        for (int e = 0; e < NAMES.length; e++) {
            for (int k = 0; k < TEXTS.length; k++) {
                String s = TEXTS[k];
                for (int cut = 0; cut <= s.length(); cut++) {
                    ByteArrayOutputStream bytes = new ByteArrayOutputStream();
                    OutputStreamWriter w = new OutputStreamWriter(bytes, NAMES[e]);
                    w.write(s, 0, cut);
                    char[] rest = s.toCharArray();
                    w.write(rest, cut, rest.length - cut);
                    w.close();
                    printBytes("encode " + NAMES[e] + " cut " + cut, k, bytes.toByteArray());
                }
                ByteArrayOutputStream bytes = new ByteArrayOutputStream();
                OutputStreamWriter w = new OutputStreamWriter(bytes, NAMES[e]);
                for (int i = 0; i < s.length(); i++) {
                    w.write(s.charAt(i) | 0x7FFF0000);
                }
                w.flush();
                printBytes("encode " + NAMES[e] + " by char", k, bytes.toByteArray());
            }
        }
    }

    static void printBytes(String label, int k, byte[] bytes) {
        Line.at(label, k);
        for (int i = 0; i < bytes.length; i++) {
            Out.printInt(bytes[i] & 0xFF);
            Out.printChar(' ');
        }
        Out.newLine();
    }

    private static void names() throws IOException {
        String[] names = { "utf8", "UTF8", "latin1", "iso-8859-1", "utf-8", "xyz", "", "x y", "UTF-8 " };
        for (int k = 0; k < names.length; k++) {
            Line.label("name \"" + names[k] + "\"");
            try {
                InputStreamReader r = new InputStreamReader(new ByteArrayInputStream(new byte[] { (byte) 0xC3, (byte) 0xA9 }),
                        names[k]);
                Out.printInt(r.read());
                Out.printChar(' ');
                new OutputStreamWriter(new ByteArrayOutputStream(), names[k]);
                Out.printString("writer");
            } catch (UnsupportedEncodingException e) {
                Out.printString("UnsupportedEncodingException");
            }
            Out.newLine();
        }
        try {
            new InputStreamReader(new ByteArrayInputStream(new byte[1]), (String) null);
            Line.s("null name", "no exception");
        } catch (NullPointerException e) {
            Line.s("null name", "NullPointerException");
        }
        InputStreamReader r = new InputStreamReader(new ByteArrayInputStream(new byte[] { 0x41, 0x42, 0x43 }));
        Line.z("markSupported", r.markSupported());
        Line.i("skip", (int) r.skip(2));
        Line.i("read after skip", r.read());
        r.close();
        try {
            r.read();
            Line.s("read after close", "no exception");
        } catch (IOException e) {
            Line.s("read after close", "IOException");
        }
    }
}
