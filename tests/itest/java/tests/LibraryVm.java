package tests;

import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStreamReader;
import java.io.OutputStreamWriter;
import java.io.UnsupportedEncodingException;
import java.util.TimeZone;
import javax.microedition.io.ConnectionNotFoundException;
import javax.microedition.io.Connector;

/**
 * Where the library differs from HotSpot's: the encodings it knows and
 * refuses, its default encoding (readers, writers and String),
 * System.exit's refusal, the integer parsers' refusal of '+' and
 * the decimal parsers' of hexadecimal, the zones it offers, Connector,
 * which knows no protocol, and the threads' names and texts.
 */
public final class LibraryVm {
    private LibraryVm() {
    }

    public static void main(String[] args) throws IOException {
        String[] names = { "UTF-16", "SJIS", "Shift_JIS", "utf8", "latin1", "ISO8859_1", "UTF_8" };
        for (int k = 0; k < names.length; k++) {
            Line.label("encoding " + names[k]);
            try {
                new OutputStreamWriter(new ByteArrayOutputStream(), names[k]);
                Out.printString("accepted");
            } catch (UnsupportedEncodingException e) {
                Out.printString("UnsupportedEncodingException");
            }
            Out.newLine();
        }
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        OutputStreamWriter w = new OutputStreamWriter(bytes);
        w.write("\u3042\u00e9");
        w.close();
        byte[] written = bytes.toByteArray();
        for (int i = 0; i < written.length; i++) {
            Line.at("default encoding wrote", i);
            Out.printInt(written[i] & 0xFF);
            Out.newLine();
        }
        InputStreamReader r = new InputStreamReader(new ByteArrayInputStream(new byte[] { (byte) 0xC3, (byte) 0xA9 }));
        Line.i("default encoding read", r.read());
        Line.i("default encoding read", r.read());
        byte[] got = "\u3042\u00e9".getBytes();
        for (int i = 0; i < got.length; i++) {
            Line.at("default encoding getBytes", i);
            Out.printInt(got[i] & 0xFF);
            Out.newLine();
        }
        byte[] utf8 = { 0x41, (byte) 0xC3, (byte) 0xA9 };
        String decoded = new String(utf8);
        for (int i = 0; i < decoded.length(); i++) {
            Line.at("default encoding String", i);
            Out.printInt(decoded.charAt(i));
            Out.newLine();
        }
        Line.i("default encoding String of a range", new String(utf8, 2, 1).charAt(0));
        for (int k = 0; k < names.length; k++) {
            Line.label("String encoding " + names[k]);
            try {
                Out.printInt(new String(utf8, names[k]).length());
            } catch (UnsupportedEncodingException e) {
                Out.printString("UnsupportedEncodingException");
            }
            Out.newLine();
        }
        try {
            System.exit(3);
            Line.s("System.exit", "returned");
        } catch (SecurityException e) {
            Line.s("System.exit", "SecurityException");
        }
        String[] numbers = { "+1", "-1", "0x1p3" };
        for (int k = 0; k < numbers.length; k++) {
            Line.label("parseInt " + numbers[k]);
            try {
                Out.printInt(Integer.parseInt(numbers[k]));
            } catch (NumberFormatException e) {
                Out.printString("NumberFormatException");
            }
            Out.newLine();
        }
        String[] floats = { "0x1p3", "0X1P3", "1.5" };
        for (int k = 0; k < floats.length; k++) {
            Line.label("parseDouble " + floats[k]);
            try {
                Out.printLong(Double.doubleToLongBits(Double.parseDouble(floats[k])));
            } catch (NumberFormatException e) {
                Out.printString("NumberFormatException");
            }
            Out.newLine();
        }
        String[] ids = TimeZone.getAvailableIDs();
        for (int i = 0; i < ids.length; i++) {
            Line.at("zone ID", i);
            Out.printString(ids[i]);
            Out.newLine();
        }
        connector();
        threads();
    }

    private static void threads() {
        Thread main = Thread.currentThread();
        Line.s("main thread name", main.getName());
        Line.s("main thread", main.toString());
        Thread[] made = { new Thread(), new Thread("named"), new Thread(main), new Thread(main, "both"),
            new Thread(""), new Thread() };
        for (int k = 0; k < made.length; k++) {
            Line.at("thread", k);
            Out.printString(made[k].getName());
            Out.printChar(' ');
            Out.printString(made[k].toString());
            Out.newLine();
        }
        for (int k = 0; k < 2; k++) {
            Line.at("thread of no name", k);
            try {
                Thread t = k == 0 ? new Thread((String) null) : new Thread(main, null);
                Out.printString(t.getName());
            } catch (NullPointerException e) {
                Out.printString("NullPointerException");
            }
            Out.newLine();
        }
        Line.s("next unnamed", new Thread().getName());
        // toString shows the priority asked for, also without priority
        // scheduling, and a thread made meanwhile inherits it.
        Thread seven = new Thread("seven");
        seven.setPriority(7);
        Line.s("priority 7", seven.toString());
        main.setPriority(2);
        Line.s("main at priority 2", main.toString());
        Line.s("made by main at 2", new Thread("two").toString());
        main.setPriority(Thread.NORM_PRIORITY);
    }

    private static final String[] URLS = { null, "", "nothing", ":x", "http://example.com/", "socket://:80",
        "file:///a", "x:" };

    private static void connector() {
        Line.i("READ", Connector.READ);
        Line.i("WRITE", Connector.WRITE);
        Line.i("READ_WRITE", Connector.READ_WRITE);
        for (int k = 0; k < URLS.length * 7; k++) {
            String url = URLS[k % URLS.length];
            int how = k / URLS.length;
            Line.at("open " + how, k % URLS.length);
            try {
                switch (how) {
                case 0: Connector.open(url); break;
                case 1: Connector.open(url, Connector.READ); break;
                case 2: Connector.open(url, 4, true); break;
                case 3: Connector.openInputStream(url); break;
                case 4: Connector.openOutputStream(url); break;
                case 5: Connector.openDataInputStream(url); break;
                default: Connector.openDataOutputStream(url); break;
                }
                Out.printString("opened");
            } catch (ConnectionNotFoundException e) {
                Out.printString("ConnectionNotFoundException");
            } catch (IllegalArgumentException e) {
                Out.printString("IllegalArgumentException");
            } catch (IOException e) {
                Out.printString("IOException");
            }
            Out.newLine();
        }
    }
}
