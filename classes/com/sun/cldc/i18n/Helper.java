package com.sun.cldc.i18n;

import com.sun.cldc.i18n.j2me.ISO8859_1_Reader;
import com.sun.cldc.i18n.j2me.ISO8859_1_Writer;
import com.sun.cldc.i18n.j2me.UTF8_Reader;
import com.sun.cldc.i18n.j2me.UTF8_Writer;
import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.io.Reader;
import java.io.UnsupportedEncodingException;
import java.io.Writer;

/**
 * The character-encoding support of the system. The virtual machine
 * initialises it at start, before the main class, so it has no static
 * initializer of its own work.
 *
 * An encoding name is upper-cased with '-' as '_' (any character but
 * letters, digits, '-' and '_' refuses it); the system property of that
 * name plus "_InternalEncodingName" gives the internal name, else the
 * normalised name is the internal name itself. Its reader and writer
 * classes (internal name plus "_Reader" and "_Writer") do the work: the
 * system's are ISO8859_1 and UTF8, any other name is refused. The default
 * encoding is the property "microedition.encoding", read on first use.
 */
public class Helper {
    private static final String ISO8859_1 = "ISO8859_1";
    private static final String UTF8 = "UTF8";

    /** The default encoding's name once read, else null. */
    private static String defaultEncoding;
    /**
     * The last name looked up and its internal name: streams and Strings
     * tend to come in runs of one encoding.
     */
    private static String lastName;
    private static String lastInternal;

    private Helper() {
    }

    /** The name of the default encoding of readers, writers and Strings. */
    public static synchronized String getDefaultEncoding() {
        if (defaultEncoding == null) {
            String name = System.getProperty("microedition.encoding");
            defaultEncoding = name != null ? name : "ISO-8859-1";
        }
        return defaultEncoding;
    }

    /** The error of a default encoding that the system lacks. */
    private static RuntimeException missingDefault() {
        return new RuntimeException("Missing default encoding " + getDefaultEncoding());
    }

    public static Reader getStreamReader(InputStream in) {
        try {
            return getStreamReader(in, getDefaultEncoding());
        } catch (UnsupportedEncodingException e) {
            throw missingDefault();
        }
    }

    public static Reader getStreamReader(InputStream in, String name) throws UnsupportedEncodingException {
        boolean utf8 = isUtf8(name);
        if (in == null) {
            throw new NullPointerException();
        }
        return utf8 ? (Reader) new UTF8_Reader(in) : new ISO8859_1_Reader(in);
    }

    public static Writer getStreamWriter(OutputStream out) {
        try {
            return getStreamWriter(out, getDefaultEncoding());
        } catch (UnsupportedEncodingException e) {
            throw missingDefault();
        }
    }

    public static Writer getStreamWriter(OutputStream out, String name) throws UnsupportedEncodingException {
        boolean utf8 = isUtf8(name);
        if (out == null) {
            throw new NullPointerException();
        }
        return utf8 ? (Writer) new UTF8_Writer(out) : new ISO8859_1_Writer(out);
    }

    /**
     * The chars that length bytes from offset decode to in the encoding,
     * as its reader gives them. The name is checked first, then the
     * range: StringIndexOutOfBoundsException when it leaves the array.
     */
    public static char[] byteToCharArray(byte[] bytes, int offset, int length, String name)
            throws UnsupportedEncodingException {
        isUtf8(name);
        if (offset < 0 || length < 0 || offset > bytes.length - length) {
            throw new StringIndexOutOfBoundsException(offset < 0 ? offset : offset + length);
        }
        Reader reader = getStreamReader(new ByteArrayInputStream(bytes, offset, length), name);
        char[] chars = new char[length];
        int count = 0;
        try {
            for (;;) {
                if (count == chars.length) {
                    char[] grown = new char[chars.length * 2 + 1];
                    System.arraycopy(chars, 0, grown, 0, count);
                    chars = grown;
                }
                int n = reader.read(chars, count, chars.length - count);
                if (n < 0) {
                    break;
                }
                count += n;
            }
        } catch (IOException e) {
            // An array stream neither fails nor closes while it is read.
            throw new RuntimeException(e.getMessage());
        }
        if (count == chars.length) {
            return chars;
        }
        char[] exact = new char[count];
        System.arraycopy(chars, 0, exact, 0, count);
        return exact;
    }

    /** byteToCharArray in the default encoding. */
    public static char[] byteToCharArray(byte[] bytes, int offset, int length) {
        try {
            return byteToCharArray(bytes, offset, length, getDefaultEncoding());
        } catch (UnsupportedEncodingException e) {
            throw missingDefault();
        }
    }

    /**
     * The bytes that length chars from offset encode to in the encoding,
     * as its writer gives them; the range lies inside the array.
     */
    public static byte[] charToByteArray(char[] chars, int offset, int length, String name)
            throws UnsupportedEncodingException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream(length);
        Writer writer = getStreamWriter(bytes, name);
        try {
            writer.write(chars, offset, length);
            writer.close();
        } catch (IOException e) {
            // An array stream neither fails nor closes while it is written.
            throw new RuntimeException(e.getMessage());
        }
        return bytes.toByteArray();
    }

    /** charToByteArray in the default encoding. */
    public static byte[] charToByteArray(char[] chars, int offset, int length) {
        try {
            return charToByteArray(chars, offset, length, getDefaultEncoding());
        } catch (UnsupportedEncodingException e) {
            throw missingDefault();
        }
    }

    /**
     * Whether the name stands for UTF8 (else ISO8859_1); any other
     * encoding raises UnsupportedEncodingException.
     */
    private static boolean isUtf8(String name) throws UnsupportedEncodingException {
        String internal = internalName(name);
        if (internal.equals(UTF8)) {
            return true;
        }
        if (internal.equals(ISO8859_1)) {
            return false;
        }
        throw new UnsupportedEncodingException(name);
    }

    /** The internal name of an encoding name. */
    private static synchronized String internalName(String name) throws UnsupportedEncodingException {
        if (name.equals(lastName)) {
            return lastInternal;
        }
        char[] chars = name.toCharArray();
        for (int i = 0; i < chars.length; i++) {
            char c = chars[i];
            if (c >= 'a' && c <= 'z') {
                chars[i] = (char) (c - 'a' + 'A');
            } else if (c == '-') {
                chars[i] = '_';
            } else if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) {
                throw new UnsupportedEncodingException(name);
            }
        }
        String normal = new String(chars);
        String internal = System.getProperty(normal.concat("_InternalEncodingName"));
        lastInternal = internal != null ? internal : normal;
        lastName = name;
        return lastInternal;
    }
}
