package java.io;

/**
 * Writes primitive types, big-endian, to the stream out; strings in the
 * modified UTF-8 form that DataInputStream reads.
 */
public class DataOutputStream extends OutputStream implements DataOutput {
    protected OutputStream out;

    public DataOutputStream(OutputStream out) {
        this.out = out;
    }

    public synchronized void write(int b) throws IOException {
        out.write(b);
    }

    public synchronized void write(byte[] b, int off, int len) throws IOException {
        out.write(b, off, len);
    }

    public void flush() throws IOException {
        out.flush();
    }

    public void close() throws IOException {
        out.close();
    }

    public final void writeBoolean(boolean v) throws IOException {
        out.write(v ? 1 : 0);
    }

    public final void writeByte(int v) throws IOException {
        out.write(v);
    }

    public final void writeShort(int v) throws IOException {
        out.write((v >>> 8) & 0xFF);
        out.write(v & 0xFF);
    }

    public final void writeChar(int v) throws IOException {
        writeShort(v);
    }

    public final void writeInt(int v) throws IOException {
        out.write((v >>> 24) & 0xFF);
        out.write((v >>> 16) & 0xFF);
        out.write((v >>> 8) & 0xFF);
        out.write(v & 0xFF);
    }

    public final void writeLong(long v) throws IOException {
        writeInt((int) (v >>> 32));
        writeInt((int) v);
    }

    public final void writeFloat(float v) throws IOException {
        writeInt(Float.floatToIntBits(v));
    }

    public final void writeDouble(double v) throws IOException {
        writeLong(Double.doubleToLongBits(v));
    }

    public final void writeChars(String s) throws IOException {
        int len = s.length();
        for (int i = 0; i < len; i++) {
            writeShort(s.charAt(i));
        }
    }

    /**
     * The two-byte length and the chars in the modified UTF-8 form: U+0000
     * and U+0080 to U+07FF in two bytes, above in three. More than 65535
     * bytes raise UTFDataFormatException before anything is written.
     */
    public final void writeUTF(String str) throws IOException {
        int strlen = str.length();
        int utflen = 0;
        for (int i = 0; i < strlen; i++) {
            int c = str.charAt(i);
            utflen += (c >= 0x0001 && c <= 0x007F) ? 1 : (c > 0x07FF ? 3 : 2);
        }
        if (utflen > 65535) {
            throw new UTFDataFormatException("encoded string too long");
        }
        byte[] bytes = new byte[utflen + 2];
        int count = 0;
        bytes[count++] = (byte) (utflen >>> 8);
        bytes[count++] = (byte) utflen;
        for (int i = 0; i < strlen; i++) {
            int c = str.charAt(i);
            if (c >= 0x0001 && c <= 0x007F) {
                bytes[count++] = (byte) c;
            } else if (c > 0x07FF) {
                bytes[count++] = (byte) (0xE0 | (c >> 12));
                bytes[count++] = (byte) (0x80 | ((c >> 6) & 0x3F));
                bytes[count++] = (byte) (0x80 | (c & 0x3F));
            } else {
                bytes[count++] = (byte) (0xC0 | (c >> 6));
                bytes[count++] = (byte) (0x80 | (c & 0x3F));
            }
        }
        out.write(bytes, 0, count);
    }
}
