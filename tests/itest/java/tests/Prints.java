package tests;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintStream;

/**
 * PrintStream over an array stream: print and println of every type, the
 * bytes written, null strings, and the error flag after a failing stream,
 * after close, and through setError.
 */
public final class Prints {
    private Prints() {
    }

    /** A stream whose writes fail from the given count of bytes on. */
    private static final class Failing extends OutputStream {
        private int left;

        Failing(int left) {
            this.left = left;
        }

        public void write(int b) throws IOException {
            if (left-- <= 0) {
                throw new IOException("full");
            }
        }
    }

    private static final class Flagged extends PrintStream {
        Flagged(OutputStream out) {
            super(out);
        }

        void fail() {
            setError();
        }
    }

    private static void show(String label, ByteArrayOutputStream bytes) {
        byte[] b = bytes.toByteArray();
        Line.label(label);
        for (int i = 0; i < b.length; i++) {
            if (b[i] == '\n') {
                Out.printString("\\n");
            } else {
                Out.printChar((char) b[i]);
            }
        }
        Out.newLine();
        bytes.reset();
    }

    public static void main(String[] args) {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        PrintStream p = new PrintStream(bytes);
        p.print(true);
        p.print(false);
        p.print('c');
        p.print(-42);
        p.print(Long.MIN_VALUE);
        p.print(1.5f);
        p.print(-0.001);
        p.print(new char[] { 'x', 'y' });
        p.print("text");
        p.print((String) null);
        show("print", bytes);
        p.println();
        p.println(true);
        p.println('d');
        p.println(7);
        p.println(1L << 40);
        p.println(Float.NaN);
        p.println(1e300);
        p.println(new char[] { 'z' });
        p.println("line");
        p.println((String) null);
        show("println", bytes);
        p.write('A');
        p.write(new byte[] { 'B', 'C', 'D', 'E' }, 1, 2);
        p.flush();
        show("write", bytes);
        Line.z("checkError", p.checkError());
        try {
            p.print((char[]) null);
            Line.s("null chars", "no exception");
        } catch (NullPointerException e) {
            Line.s("null chars", "NullPointerException");
        }
        p.close();
        p.print("after close");
        Line.z("checkError after close", p.checkError());
        show("after close", bytes);
        PrintStream failing = new PrintStream(new Failing(3));
        failing.print("ab");
        Line.z("checkError before failure", failing.checkError());
        failing.print("cd");
        Line.z("checkError after failure", failing.checkError());
        Flagged flagged = new Flagged(new ByteArrayOutputStream());
        Line.z("checkError before setError", flagged.checkError());
        flagged.fail();
        Line.z("checkError after setError", flagged.checkError());
        try {
            new PrintStream((OutputStream) null);
            Line.s("null stream", "no exception");
        } catch (NullPointerException e) {
            Line.s("null stream", "NullPointerException");
        }
    }
}
