package com.sun.cldc.i18n;

/**
 * The character-encoding support of the system. The virtual machine
 * initialises it at start, before the main class.
 */
public class Helper {
    private Helper() {
    }
}
