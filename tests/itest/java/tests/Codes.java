package tests;

/**
 * The messages of the exceptions the VM raises: each one's code, three
 * characters wide, in brackets (they differ from HotSpot's, so a golden
 * file holds them).
 */
public final class Codes {
    int field;

    private Codes() {
    }

    public static void main(String[] args) {
        for (int k = 0; k < 6; k++) {
            try {
                raise(k);
            } catch (RuntimeException e) {
                if (k > 0) {
                    Out.printChar(' ');
                }
                Out.printString(NAMES[k]);
                Out.printString(":[");
                Out.printString(e.getMessage());
                Out.printChar(']');
            }
        }
        Out.newLine();
    }

    private static final String[] NAMES = {"NPE", "AIOOBE", "DIV", "LDIV", "CCE", "ASE"};

    private static void raise(int k) {
        Codes none = null;
        int zero = k - k;
        Object o = "text";
        Object[] strings = new String[1];
        int[] one = new int[1];
        switch (k) {
            case 0: none.field = 1; break;
            case 1: zero = one[zero + 1]; break;
            case 2: zero = 1 / zero; break;
            case 3: zero = (int) (1L / zero); break;
            case 4: none = (Codes) o; break;
            default: strings[0] = new Object(); break;
        }
    }
}
