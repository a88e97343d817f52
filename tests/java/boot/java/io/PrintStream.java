package java.io;

public class PrintStream {
    public PrintStream() {
    }

    public native void println(String line);
}
