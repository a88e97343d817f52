package tests;

/**
 * tableswitch and lookupswitch with the opcode at each of the four
 * positions modulo 4 (the padding before the operands differs), every key
 * of a table, the keys just outside it and the extremes; negative keys.
 */
public final class Switches {
    private static final int[] KEYS = {
        0x80000000, -1000001, -1000000, -6, -5, -4, -3, -2, -1, 0, 1, 2, 3,
        4, 6, 7, 8, 999, 1000, 1001, 0x7ffffffe, 0x7fffffff
    };

    private Switches() {
    }

    public static void main(String[] args) {
        for (int k = 0; k < KEYS.length; k++) {
            int key = KEYS[k];
            Line.at("key", key);
            Out.printInt(table0(key));
            Out.printInt(table1(key, 0));
            Out.printInt(table2(key, 0L));
            Out.printInt(table3(key, 0L, 0));
            Out.printChar(' ');
            Out.printInt(lookup0(key));
            Out.printInt(lookup1(key, 0));
            Out.printInt(lookup2(key, 0L));
            Out.printInt(lookup3(key, 0L, 0));
            Out.printChar(' ');
            Out.printInt(single(key));
            Out.printChar(' ');
            Out.printInt(extremes(key));
            Out.newLine();
        }
    }

    // The table forms: cases -3 to 4, with the opcode after 1, 3, 4 and 6
    // bytes of code (javap -c shows the positions); the masks are 0.
    private static int table0(int k) {
        switch (k) {
            case -3: return 1;
            case -2: return 2;
            case -1: return 3;
            case 0: return 4;
            case 1: return 5;
            case 2: return 6;
            case 3: return 7;
            case 4: return 8;
            default: return 9;
        }
    }

    private static int table1(int k, int mask) {
        switch (k ^ mask) {
            case -3: return 1;
            case -2: return 2;
            case -1: return 3;
            case 0: return 4;
            case 1: return 5;
            case 2: return 6;
            case 3: return 7;
            case 4: return 8;
            default: return 9;
        }
    }

    private static int table2(int k, long mask) {
        switch (k ^ (int) mask) {
            case -3: return 1;
            case -2: return 2;
            case -1: return 3;
            case 0: return 4;
            case 1: return 5;
            case 2: return 6;
            case 3: return 7;
            case 4: return 8;
            default: return 9;
        }
    }

    private static int table3(int k, long mask, int more) {
        switch (k ^ (int) mask ^ more) {
            case -3: return 1;
            case -2: return 2;
            case -1: return 3;
            case 0: return 4;
            case 1: return 5;
            case 2: return 6;
            case 3: return 7;
            case 4: return 8;
            default: return 9;
        }
    }

    // The lookup forms: sparse negative and positive keys, at the same
    // four positions.
    private static int lookup0(int k) {
        switch (k) {
            case -1000000: return 1;
            case -5: return 2;
            case 0: return 3;
            case 7: return 4;
            case 1000: return 5;
            case 0x7fffffff: return 6;
            case 0x80000000: return 7;
            default: return 8;
        }
    }

    private static int lookup1(int k, int mask) {
        switch (k ^ mask) {
            case -1000000: return 1;
            case -5: return 2;
            case 0: return 3;
            case 7: return 4;
            case 1000: return 5;
            case 0x7fffffff: return 6;
            case 0x80000000: return 7;
            default: return 8;
        }
    }

    private static int lookup2(int k, long mask) {
        switch (k ^ (int) mask) {
            case -1000000: return 1;
            case -5: return 2;
            case 0: return 3;
            case 7: return 4;
            case 1000: return 5;
            case 0x7fffffff: return 6;
            case 0x80000000: return 7;
            default: return 8;
        }
    }

    private static int lookup3(int k, long mask, int more) {
        switch (k ^ (int) mask ^ more) {
            case -1000000: return 1;
            case -5: return 2;
            case 0: return 3;
            case 7: return 4;
            case 1000: return 5;
            case 0x7fffffff: return 6;
            case 0x80000000: return 7;
            default: return 8;
        }
    }

    // A table of one entry.
    private static int single(int k) {
        switch (k) {
            case -4: return 1;
            default: return 2;
        }
    }

    // A table whose bounds are the extreme keys' neighbours.
    private static int extremes(int k) {
        switch (k) {
            case 0x7ffffffe: return 1;
            case 0x7fffffff: return 2;
            default: return 3;
        }
    }
}
