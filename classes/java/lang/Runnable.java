package java.lang;

/** Code that a thread runs. */
public interface Runnable {
    void run();
}
