package javax.microedition.io;

import java.io.DataInputStream;
import java.io.DataOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;

/**
 * The factory of connections: "scheme:target" names a connection of the
 * protocol scheme. The system registers no protocol here, so every
 * well-formed name gives ConnectionNotFoundException; a missing name, a
 * name without a scheme or an unknown mode gives IllegalArgumentException.
 */
public class Connector {
    public static final int READ = 1;
    public static final int WRITE = 2;
    public static final int READ_WRITE = 3;

    private Connector() {
    }

    public static Connection open(String name) throws IOException {
        return open(name, READ_WRITE);
    }

    public static Connection open(String name, int mode) throws IOException {
        return open(name, mode, false);
    }

    public static Connection open(String name, int mode, boolean timeouts) throws IOException {
        if (name == null) {
            throw new IllegalArgumentException("Null URL");
        }
        if (mode != READ && mode != WRITE && mode != READ_WRITE) {
            throw new IllegalArgumentException("Illegal mode");
        }
        if (name.indexOf(':') < 1) {
            throw new IllegalArgumentException("no ':' in URL");
        }
        throw new ConnectionNotFoundException("The requested protocol does not exist " + name);
    }

    public static DataInputStream openDataInputStream(String name) throws IOException {
        return new DataInputStream(openInputStream(name));
    }

    public static DataOutputStream openDataOutputStream(String name) throws IOException {
        return new DataOutputStream(openOutputStream(name));
    }

    public static InputStream openInputStream(String name) throws IOException {
        Connection c = open(name, READ);
        try {
            if (!(c instanceof InputConnection)) {
                throw new IllegalArgumentException("Not an input connection " + name);
            }
            return ((InputConnection) c).openInputStream();
        } finally {
            c.close();
        }
    }

    public static OutputStream openOutputStream(String name) throws IOException {
        Connection c = open(name, WRITE);
        try {
            if (!(c instanceof OutputConnection)) {
                throw new IllegalArgumentException("Not an output connection " + name);
            }
            return ((OutputConnection) c).openOutputStream();
        } finally {
            c.close();
        }
    }
}
