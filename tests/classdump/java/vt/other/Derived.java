package vt.other;

import vt.Base;

// In another package: p() cannot override Base.p() and gets a new slot;
// m() takes over Base's slot.
public class Derived extends Base {
    public int m() {
        return 200;
    }

    int p() {
        return 300;
    }
}
