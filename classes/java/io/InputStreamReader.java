package java.io;

import com.sun.cldc.i18n.Helper;

/**
 * Chars decoded from a byte stream by an encoding's reader; the default
 * encoding when none is named.
 */
public class InputStreamReader extends Reader {
    private final Reader decoder;

    public InputStreamReader(InputStream is) {
        this(Helper.getStreamReader(is));
    }

    public InputStreamReader(InputStream is, String enc) throws UnsupportedEncodingException {
        this(Helper.getStreamReader(is, enc));
    }

    private InputStreamReader(Reader decoder) {
        super(decoder);
        this.decoder = decoder;
    }

    public int read() throws IOException {
        return decoder.read();
    }

    public int read(char[] cbuf, int off, int len) throws IOException {
        return decoder.read(cbuf, off, len);
    }

    public long skip(long n) throws IOException {
        return decoder.skip(n);
    }

    public boolean ready() throws IOException {
        return decoder.ready();
    }

    public boolean markSupported() {
        return false;
    }

    public void mark(int readAheadLimit) throws IOException {
        throw new IOException("mark() not supported");
    }

    public void reset() throws IOException {
        throw new IOException("reset() not supported");
    }

    public void close() throws IOException {
        decoder.close();
    }
}
