package app;

import javax.vostel.probe.Helper;

/** An application that brings its own class of a platform package. */
public class UsesJavax {
    public static void main(String[] args) {
        System.out.println("before");
        System.out.println(Helper.greeting());
    }
}
