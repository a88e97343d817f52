package javax.microedition.io;

import java.io.IOException;

/** A connection that waits for incoming stream connections. */
public interface StreamConnectionNotifier extends Connection {
    StreamConnection acceptAndOpen() throws IOException;
}
