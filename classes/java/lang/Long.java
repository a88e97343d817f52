package java.lang;

/**
 * A long value as an object, and the conversions of longs to and from text
 * in radixes 2 to 36. The conversions work on negative values, so that
 * MIN_VALUE needs no special case.
 */
public final class Long {
    public static final long MIN_VALUE = 0x8000000000000000L;
    public static final long MAX_VALUE = 0x7fffffffffffffffL;

    private final long value;

    public Long(long value) {
        this.value = value;
    }

    public long longValue() {
        return value;
    }

    public float floatValue() {
        return (float) value;
    }

    public double doubleValue() {
        return (double) value;
    }

    public boolean equals(Object obj) {
        return obj instanceof Long && ((Long) obj).value == value;
    }

    public int hashCode() {
        return (int) (value ^ (value >>> 32));
    }

    public String toString() {
        return toString(value, 10);
    }

    public static String toString(long i) {
        return toString(i, 10);
    }

    /**
     * The digits of i in the radix (10 when the radix lies outside 2 to 36),
     * lower-case letters above 9, with '-' before a negative value.
     */
    public static String toString(long i, int radix) {
        if (radix < Character.MIN_RADIX || radix > Character.MAX_RADIX) {
            radix = 10;
        }
        char[] buf = new char[65];
        int pos = 65;
        boolean negative = i < 0;
        if (!negative) {
            i = -i;
        }
        do {
            buf[--pos] = digitChar((int) -(i % radix));
            i /= radix;
        } while (i != 0);
        if (negative) {
            buf[--pos] = '-';
        }
        return new String(buf, pos, 65 - pos);
    }

    public static long parseLong(String s) throws NumberFormatException {
        return parseLong(s, 10);
    }

    /**
     * The value of s in the radix: an optional '-' and at least one digit.
     * Anything else, a radix outside 2 to 36 or a value outside the long
     * range raises NumberFormatException.
     */
    public static long parseLong(String s, int radix) throws NumberFormatException {
        if (s == null) {
            throw new NumberFormatException("null");
        }
        if (radix < Character.MIN_RADIX || radix > Character.MAX_RADIX) {
            throw new NumberFormatException(s);
        }
        int len = s.length();
        int i = 0;
        long limit = -MAX_VALUE;
        boolean negative = false;
        if (len > 0 && s.charAt(0) == '-') {
            negative = true;
            limit = MIN_VALUE;
            i = 1;
        }
        if (i >= len) {
            throw new NumberFormatException(s);
        }
        long multmin = limit / radix;
        long result = 0;
        while (i < len) {
            int digit = Character.digit(s.charAt(i++), radix);
            if (digit < 0 || result < multmin) {
                throw new NumberFormatException(s);
            }
            result *= radix;
            if (result < limit + digit) {
                throw new NumberFormatException(s);
            }
            result -= digit;
        }
        return negative ? result : -result;
    }

    /** The digit character of d, 0 to 35: '0' to '9', then 'a' to 'z'. */
    static char digitChar(int d) {
        return (char) (d < 10 ? '0' + d : 'a' - 10 + d);
    }
}
