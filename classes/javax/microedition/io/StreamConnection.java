package javax.microedition.io;

/** A connection that can be read and written. */
public interface StreamConnection extends InputConnection, OutputConnection {
}
