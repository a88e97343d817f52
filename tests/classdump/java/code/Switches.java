package code;

// Switches at each alignment of their bci, and monitors.
public class Switches {
    static int tableAt1(int x) {
        switch (x) {
            case 1: return 10;
            case 2: return 20;
            case 3: return 30;
            default: return 0;
        }
    }

    static int tableAt2(int x) {
        switch (-x) {
            case 1: return 10;
            case 2: return 20;
            case 3: return 30;
            default: return 0;
        }
    }

    static int tableAt3(int x) {
        switch (x + 5) {
            case 1: return 10;
            case 2: return 20;
            case 3: return 30;
            default: return 0;
        }
    }

    static int tableAt0(int x) {
        switch (x + 100) {
            case 1: return 10;
            case 2: return 20;
            case 3: return 30;
            default: return 0;
        }
    }

    static int lookupAt1(int x) {
        switch (x) {
            case 1: return 10;
            case 1000: return 20;
            case 100000: return 30;
            default: return 0;
        }
    }

    static int lookupAt2(int x) {
        switch (-x) {
            case 1: return 10;
            case 1000: return 20;
            case 100000: return 30;
            default: return 0;
        }
    }

    static int lookupAt3(int x) {
        switch (x + 5) {
            case 1: return 10;
            case 1000: return 20;
            case 100000: return 30;
            default: return 0;
        }
    }

    static int lookupAt0(int x) {
        switch (x + 100) {
            case 1: return 10;
            case 1000: return 20;
            case 100000: return 30;
            default: return 0;
        }
    }

    int twoMonitors(Object a, Object b) {
        int n = 0;
        synchronized (a) {
            n++;
        }
        synchronized (b) {
            n++;
        }
        return n;
    }

    int calls() {
        return tableAt1(1) + lookupAt1(2);
    }
}
