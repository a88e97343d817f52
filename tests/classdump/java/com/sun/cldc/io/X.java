package com.sun.cldc.io;

// A protected package: never loaded from the application archive.
public class X {
}
