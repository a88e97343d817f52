package tests.midlet;

import javax.microedition.midlet.MIDlet;

/** Prints "hello" when started and destroys itself. */
public class Hello extends MIDlet {
    protected void startApp() {
        System.out.println("hello");
        notifyDestroyed();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
