package com.sun.cldc.i18n;

import com.sun.cldc.i18n.j2me.ISO8859_1_Reader;
import com.sun.cldc.i18n.j2me.ISO8859_1_Writer;
import com.sun.cldc.i18n.j2me.UTF8_Reader;
import com.sun.cldc.i18n.j2me.UTF8_Writer;
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
 * letters, digits, '-' and '_' refuses it); an alias then gives the
 * internal name, whose reader and writer classes (internal name plus
 * "_Reader" and "_Writer") do the work. The system's encodings are
 * ISO8859_1 (the default) and UTF8.
 */
public class Helper {
    /** The default encoding of readers and writers made without a name. */
    private static final String DEFAULT_ENCODING = "ISO-8859-1";

    /** Pairs of a normalised name and the internal name it stands for. */
    private static final String[] ALIASES = {
        "ISO_8859_1", "ISO8859_1",
        "LATIN1", "ISO8859_1",
        "UTF_8", "UTF8",
    };

    private Helper() {
    }

    public static Reader getStreamReader(InputStream in) {
        try {
            return getStreamReader(in, DEFAULT_ENCODING);
        } catch (UnsupportedEncodingException e) {
            throw new RuntimeException("Missing default encoding " + DEFAULT_ENCODING);
        }
    }

    public static Reader getStreamReader(InputStream in, String name) throws UnsupportedEncodingException {
        String internal = internalName(name);
        if (in == null) {
            throw new NullPointerException();
        }
        if (internal.equals("ISO8859_1")) {
            return new ISO8859_1_Reader(in);
        }
        if (internal.equals("UTF8")) {
            return new UTF8_Reader(in);
        }
        throw new UnsupportedEncodingException(name);
    }

    public static Writer getStreamWriter(OutputStream out) {
        try {
            return getStreamWriter(out, DEFAULT_ENCODING);
        } catch (UnsupportedEncodingException e) {
            throw new RuntimeException("Missing default encoding " + DEFAULT_ENCODING);
        }
    }

    public static Writer getStreamWriter(OutputStream out, String name) throws UnsupportedEncodingException {
        String internal = internalName(name);
        if (out == null) {
            throw new NullPointerException();
        }
        if (internal.equals("ISO8859_1")) {
            return new ISO8859_1_Writer(out);
        }
        if (internal.equals("UTF8")) {
            return new UTF8_Writer(out);
        }
        throw new UnsupportedEncodingException(name);
    }

    /** The internal name of an encoding name. */
    private static String internalName(String name) throws UnsupportedEncodingException {
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
        for (int i = 0; i < ALIASES.length; i += 2) {
            if (ALIASES[i].equals(normal)) {
                return ALIASES[i + 1];
            }
        }
        return normal;
    }
}
