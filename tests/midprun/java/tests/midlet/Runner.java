package tests.midlet;

import javax.microedition.midlet.MIDlet;

/** Keeps a thread running until the VM ends; prints nothing. */
public class Runner extends MIDlet implements Runnable {
    private boolean started;

    protected void startApp() {
        if (!started) {
            started = true;
            new Thread(this).start();
        }
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    public void run() {
        for (;;) {
            Thread.yield();
        }
    }
}
