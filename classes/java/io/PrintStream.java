package java.io;

/**
 * Prints values as text onto an output stream, encoded by the default
 * encoding. No method throws IOException: a failure sets the error flag,
 * which checkError reports. Lines end with '\n'.
 */
public class PrintStream extends OutputStream {
    private OutputStream out;
    private final OutputStreamWriter chars;
    private boolean trouble;
    private boolean closing;

    public PrintStream(OutputStream out) {
        if (out == null) {
            throw new NullPointerException();
        }
        this.out = out;
        this.chars = new OutputStreamWriter(this);
    }

    private void ensureOpen() throws IOException {
        if (out == null) {
            throw new IOException("Stream closed");
        }
    }

    public void flush() {
        synchronized (this) {
            try {
                ensureOpen();
                out.flush();
            } catch (IOException e) {
                trouble = true;
            }
        }
    }

    public void close() {
        synchronized (this) {
            if (closing) {
                return;
            }
            closing = true;
            try {
                chars.close();
                if (out != null) {
                    out.close();
                }
            } catch (IOException e) {
                trouble = true;
            }
            out = null;
        }
    }

    public boolean checkError() {
        if (out != null) {
            flush();
        }
        return trouble;
    }

    protected void setError() {
        trouble = true;
    }

    public void write(int b) {
        try {
            synchronized (this) {
                ensureOpen();
                out.write(b);
            }
        } catch (IOException e) {
            trouble = true;
        }
    }

    public void write(byte[] buf, int off, int len) {
        try {
            synchronized (this) {
                ensureOpen();
                out.write(buf, off, len);
            }
        } catch (IOException e) {
            trouble = true;
        }
    }

    private void write(char[] buf) {
        try {
            synchronized (this) {
                ensureOpen();
                chars.write(buf, 0, buf.length);
            }
        } catch (IOException e) {
            trouble = true;
        }
    }

    private void write(String s) {
        try {
            synchronized (this) {
                ensureOpen();
                chars.write(s, 0, s.length());
            }
        } catch (IOException e) {
            trouble = true;
        }
    }

    private void newLine() {
        write("\n");
    }

    public void print(boolean b) {
        write(b ? "true" : "false");
    }

    public void print(char c) {
        write(String.valueOf(c));
    }

    public void print(int i) {
        write(Integer.toString(i));
    }

    public void print(long l) {
        write(Long.toString(l));
    }

    public void print(float f) {
        write(Float.toString(f));
    }

    public void print(double d) {
        write(Double.toString(d));
    }

    public void print(char[] s) {
        write(s);
    }

    public void print(String s) {
        write(s == null ? "null" : s);
    }

    /** Prints String.valueOf(obj). */
    public void print(Object obj) {
        write(String.valueOf(obj));
    }

    public void println() {
        newLine();
    }

    public void println(boolean x) {
        synchronized (this) {
            print(x);
            newLine();
        }
    }

    public void println(char x) {
        synchronized (this) {
            print(x);
            newLine();
        }
    }

    public void println(int x) {
        synchronized (this) {
            print(x);
            newLine();
        }
    }

    public void println(long x) {
        synchronized (this) {
            print(x);
            newLine();
        }
    }

    public void println(float x) {
        synchronized (this) {
            print(x);
            newLine();
        }
    }

    public void println(double x) {
        synchronized (this) {
            print(x);
            newLine();
        }
    }

    public void println(char[] x) {
        synchronized (this) {
            print(x);
            newLine();
        }
    }

    public void println(String x) {
        synchronized (this) {
            print(x);
            newLine();
        }
    }

    public void println(Object x) {
        synchronized (this) {
            print(x);
            newLine();
        }
    }
}
