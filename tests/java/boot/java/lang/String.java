package java.lang;

public final class String {
    private final char[] value;

    public String(char[] chars) {
        value = new char[chars.length];
        for (int i = 0; i < chars.length; i++) {
            value[i] = chars[i];
        }
    }

    public int length() {
        return value.length;
    }

    public char charAt(int index) {
        return value[index];
    }

    public String toString() {
        return this;
    }

    public static String valueOf(Object o) {
        return o == null ? "null" : o.toString();
    }

    public static String valueOf(int i) {
        return new StringBuffer().append(i).toString();
    }
}
