package javax.microedition.io;

import java.io.DataInput;
import java.io.DataOutput;

/** A datagram packet: an address and a window of a byte buffer. */
public interface Datagram extends DataInput, DataOutput {
    String getAddress();

    byte[] getData();

    int getLength();

    int getOffset();

    void setAddress(String addr) throws java.io.IOException;

    void setAddress(Datagram reference);

    void setLength(int len);

    void setData(byte[] buffer, int offset, int len);

    void reset();
}
