package vt;

// A final class: its methods need no new entries; an override still takes
// over its slot.
public final class Sealed extends Base {
    public int m() {
        return 20;
    }

    public int extra() {
        return 6;
    }
}
