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
}
