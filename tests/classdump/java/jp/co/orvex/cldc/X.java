package jp.co.orvex.cldc;

// A system package: the archive reader refuses it first.
public class X {
}
