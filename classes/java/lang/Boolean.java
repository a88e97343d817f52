package java.lang;

/** A boolean value as an object. */
public final class Boolean {
    public static final Boolean TRUE = new Boolean(true);
    public static final Boolean FALSE = new Boolean(false);

    private final boolean value;

    public Boolean(boolean value) {
        this.value = value;
    }

    public boolean booleanValue() {
        return value;
    }

    public boolean equals(Object obj) {
        return obj instanceof Boolean && ((Boolean) obj).value == value;
    }

    /** 1231 for true, 1237 for false. */
    public int hashCode() {
        return value ? 1231 : 1237;
    }

    public String toString() {
        return value ? "true" : "false";
    }
}
