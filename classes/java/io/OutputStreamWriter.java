package java.io;

import com.sun.cldc.i18n.Helper;

/**
 * Chars encoded onto a byte stream by an encoding's writer; the default
 * encoding when none is named.
 */
public class OutputStreamWriter extends Writer {
    private final Writer encoder;

    public OutputStreamWriter(OutputStream os) {
        this(Helper.getStreamWriter(os));
    }

    public OutputStreamWriter(OutputStream os, String enc) throws UnsupportedEncodingException {
        this(Helper.getStreamWriter(os, enc));
    }

    private OutputStreamWriter(Writer encoder) {
        super(encoder);
        this.encoder = encoder;
    }

    public void write(int c) throws IOException {
        encoder.write(c);
    }

    public void write(char[] cbuf, int off, int len) throws IOException {
        encoder.write(cbuf, off, len);
    }

    public void write(String str, int off, int len) throws IOException {
        encoder.write(str, off, len);
    }

    public void flush() throws IOException {
        encoder.flush();
    }

    public void close() throws IOException {
        encoder.close();
    }
}
