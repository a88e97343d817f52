package javax.microedition.io;

import java.io.IOException;

/** The most basic connection: it can be closed. */
public interface Connection {
    void close() throws IOException;
}
