package tests.midlet;

import javax.microedition.midlet.MIDlet;
import javax.vostel.midletprobe.Helper;

/** Prints "before", then uses the javax/ class its own suite carries. */
public class UsesJavax extends MIDlet {
    protected void startApp() {
        System.out.println("before");
        System.out.println(Helper.greeting());
        notifyDestroyed();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
