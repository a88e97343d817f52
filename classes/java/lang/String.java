package java.lang;

/**
 * A sequence of characters: count characters of value from index offset.
 * The virtual machine reads the three fields by word number.
 */
public final class String {
    private final char[] value;
    private final int offset;
    private final int count;

    public String() {
        value = new char[0];
        offset = 0;
        count = 0;
    }

    public String(char[] value) {
        int n = value.length;
        char[] copy = new char[n];
        for (int i = 0; i < n; i++) {
            copy[i] = value[i];
        }
        this.value = copy;
        this.offset = 0;
        this.count = n;
    }

    public String(String value) {
        this.value = value.value;
        this.offset = value.offset;
        this.count = value.count;
    }

    /**
     * The index of the first occurrence of the character from fromIndex on,
     * or -1. Entered through the virtual machine's own entry for it.
     */
    public native int indexOf(int ch, int fromIndex);

    /**
     * Compares two strings by their characters: the difference of the first
     * two characters that differ, else the difference of the lengths. The
     * virtual machine enters it through its own entry when the argument is
     * not null; this code serves a null argument.
     */
    public int compareTo(String anotherString) {
        int n = count < anotherString.count ? count : anotherString.count;
        char[] a = value;
        char[] b = anotherString.value;
        int i = offset;
        int j = anotherString.offset;
        for (int k = 0; k < n; k++) {
            int d = a[i + k] - b[j + k];
            if (d != 0) {
                return d;
            }
        }
        return count - anotherString.count;
    }
}
