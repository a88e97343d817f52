package java.lang;

/**
 * A double value as an object. The two bit conversions are entered through
 * the virtual machine's own entries for them; doubleToLongBits gives every
 * NaN as 0x7FF8000000000000, so equals and hashCode treat all NaNs as one
 * value and tell -0.0 from 0.0.
 *
 * Text of a double or float: among the decimals that round back to the
 * value, those of the fewest digits (of one or two digits when one would
 * do), the closest to the value, the even one on a tie; plain for
 * 10^-3 <= |x| < 10^7, else "d.dddE-n". The digits come from exact
 * integer arithmetic: with v = f * 2^e, the value and the distances to
 * the neighbouring values' midpoints are r/s, mPlus/s and mMinus/s,
 * scaled so that r/s < 1 <= (r + mPlus)/s * 10; each step multiplies by
 * ten and takes the integer part as the next digit, until the rest lies
 * within a midpoint distance. The numbers are arrays of LIMBS 32-bit
 * limbs, least significant first: enough for 10^325 * 2^57.
 *
 * Parsing rounds the exact decimal D * 10^q once, to the nearest value of
 * the target type, the even one on a tie: with N/M = D * 10^q it finds
 * the binary exponent b that leaves 2^p <= N / (M * 2^b) < 2^(p+1) (p the
 * type's fraction bits; b no lower than the smallest subnormal's), takes
 * the integer quotient and rounds by the remainder. Digits past the 800th
 * significant one count only as a non-zero tail, which decides no
 * rounding differently.
 */
public final class Double {
    public static final double POSITIVE_INFINITY = 1.0 / 0.0;
    public static final double NEGATIVE_INFINITY = -1.0 / 0.0;
    public static final double NaN = 0.0d / 0.0;
    public static final double MAX_VALUE = 1.7976931348623157e+308;
    public static final double MIN_VALUE = 4.9e-324;

    private final double value;

    public Double(double value) {
        this.value = value;
    }

    public static boolean isNaN(double v) {
        return v != v;
    }

    public static boolean isInfinite(double v) {
        return v == POSITIVE_INFINITY || v == NEGATIVE_INFINITY;
    }

    public boolean isNaN() {
        return isNaN(value);
    }

    public boolean isInfinite() {
        return isInfinite(value);
    }

    public byte byteValue() {
        return (byte) value;
    }

    public short shortValue() {
        return (short) value;
    }

    public int intValue() {
        return (int) value;
    }

    public long longValue() {
        return (long) value;
    }

    public float floatValue() {
        return (float) value;
    }

    public double doubleValue() {
        return value;
    }

    public int hashCode() {
        long bits = doubleToLongBits(value);
        return (int) (bits ^ (bits >>> 32));
    }

    public boolean equals(Object obj) {
        return obj instanceof Double && doubleToLongBits(((Double) obj).value) == doubleToLongBits(value);
    }

    public static native long doubleToLongBits(double value);

    public static native double longBitsToDouble(long bits);

    public String toString() {
        return toString(value);
    }

    public static String toString(double d) {
        long bits = doubleToLongBits(d);
        int exponent = (int) (bits >>> 52) & 0x7FF;
        long fraction = bits & 0xFFFFFFFFFFFFFL;
        if (exponent == 0x7FF) {
            return fraction != 0 ? "NaN" : bits < 0 ? "-Infinity" : "Infinity";
        }
        if (exponent == 0) {
            return toText(bits < 0, fraction, -1074, false);
        }
        return toText(bits < 0, fraction | (1L << 52), exponent - 1075, fraction == 0 && exponent > 1);
    }

    public static Double valueOf(String s) throws NumberFormatException {
        return new Double(parseDouble(s));
    }

    public static double parseDouble(String s) throws NumberFormatException {
        return longBitsToDouble(parse(s, 52, -1074, 971));
    }

    /** Significant digits kept by the parser; the rest only as a tail. */
    private static final int KEPT_DIGITS = 800;

    /**
     * The bits of the nearest value to the decimal text s in a binary type
     * of fractionBits fraction bits, whose values are q * 2^b for
     * minExponent <= b <= maxExponent: the double's layout, or the float's
     * in the low 32 bits.
     */
    static long parse(String text, int fractionBits, int minExponent, int maxExponent) {
        String s = text.trim();
        int length = s.length();
        int i = 0;
        boolean negative = false;
        if (i < length && (s.charAt(i) == '+' || s.charAt(i) == '-')) {
            negative = s.charAt(i) == '-';
            i++;
        }
        int exponentBits = fractionBits == 52 ? 11 : 8;
        long signBit = 1L << (fractionBits + exponentBits);
        long infinity = ((1L << exponentBits) - 1) << fractionBits;
        if (s.startsWith("NaN", i) && i + 3 == length) {
            return infinity | (1L << (fractionBits - 1));
        }
        if (s.startsWith("Infinity", i) && i + 8 == length) {
            return negative ? signBit | infinity : infinity;
        }
        char[] digits = new char[(length < KEPT_DIGITS ? length : KEPT_DIGITS) + 1];
        int n = 0;
        boolean tail = false;
        boolean sawDigit = false;
        boolean sawPoint = false;
        long pointPosition = 0;
        for (; i < length; i++) {
            char c = s.charAt(i);
            if (c == '.' && !sawPoint) {
                sawPoint = true;
                continue;
            }
            if (c < '0' || c > '9') {
                break;
            }
            sawDigit = true;
            if (n == 0 && c == '0') {
                if (sawPoint) {
                    pointPosition--;
                }
                continue;
            }
            if (n < KEPT_DIGITS) {
                digits[n++] = c;
            } else if (c != '0') {
                tail = true;
            }
            if (!sawPoint) {
                pointPosition++;
            }
        }
        if (!sawDigit) {
            throw new NumberFormatException("For input string: \"" + text + "\"");
        }
        long exponent = 0;
        if (i < length && (s.charAt(i) == 'e' || s.charAt(i) == 'E')) {
            i++;
            boolean negativeExponent = false;
            if (i < length && (s.charAt(i) == '+' || s.charAt(i) == '-')) {
                negativeExponent = s.charAt(i) == '-';
                i++;
            }
            int start = i;
            for (; i < length && s.charAt(i) >= '0' && s.charAt(i) <= '9'; i++) {
                if (exponent < 100000) {
                    exponent = exponent * 10 + (s.charAt(i) - '0');
                }
            }
            if (i == start) {
                throw new NumberFormatException("For input string: \"" + text + "\"");
            }
            if (negativeExponent) {
                exponent = -exponent;
            }
        }
        if (i < length && "fFdD".indexOf(s.charAt(i)) >= 0) {
            i++;
        }
        if (i != length) {
            throw new NumberFormatException("For input string: \"" + text + "\"");
        }
        long sign = negative ? signBit : 0;
        // The value is 0.digits * 10^decimalExponent.
        long decimalExponent = pointPosition + exponent;
        if (n == 0 || decimalExponent < -400) {
            return sign;
        }
        if (decimalExponent > 400) {
            return sign | infinity;
        }
        if (tail) {
            digits[n++] = '1';
        }
        return sign | nearest(digits, n, (int) decimalExponent - n, fractionBits, minExponent, maxExponent,
                infinity);
    }

    /** The bits of the positive value nearest digits * 10^q. */
    private static long nearest(char[] digits, int n, int q, int fractionBits, int minExponent, int maxExponent,
            long infinity) {
        int bits = 4 * n + 4 * (q > 0 ? q : -q) + 2 * fractionBits + 160;
        int limbs = bits / 32 + 2;
        int[] num = new int[limbs];
        int[] den = new int[limbs];
        for (int i = 0; i < n; i += 9) {
            int chunk = 0;
            int m = 1;
            for (int j = i; j < n && j < i + 9; j++) {
                chunk = chunk * 10 + (digits[j] - '0');
                m *= 10;
            }
            multiplySmall(num, m);
            long carry = chunk;
            for (int j = 0; carry != 0; j++) {
                long v = (num[j] & 0xFFFFFFFFL) + carry;
                num[j] = (int) v;
                carry = v >>> 32;
            }
        }
        den[0] = 1;
        if (q >= 0) {
            multiplyPow10(num, q);
        } else {
            multiplyPow10(den, -q);
        }
        int b = bitLength(num) - bitLength(den) - fractionBits - 1;
        if (b < minExponent) {
            b = minExponent;
        }
        if (b > maxExponent + 1) {
            return infinity;
        }
        // The quotient num / (den * 2^b) has fractionBits + 1 or + 2 bits.
        if (b < 0) {
            shiftLeft(num, -b);
        } else {
            shiftLeft(den, b);
        }
        int[] t = new int[limbs];
        int quotientBits = fractionBits + 3;
        System.arraycopy(den, 0, t, 0, limbs);
        shiftLeft(t, quotientBits);
        long quotient = 0;
        for (int bit = quotientBits; bit >= 0; bit--) {
            if (compare(num, t) >= 0) {
                sub(num, num, t);
                quotient |= 1L << bit;
            }
            shiftRightOne(t);
        }
        long limit = 1L << (fractionBits + 1);
        if (quotient >= limit) {
            // One bit too many: fold the lowest into the remainder.
            boolean odd = (quotient & 1) != 0;
            quotient >>>= 1;
            b++;
            int c = isZero(num) ? 0 : 1;
            if (odd && (c > 0 || (quotient & 1) != 0)) {
                quotient++;
            }
        } else {
            add(num, num, num);
            int c = compare(num, den);
            if (c > 0 || (c == 0 && (quotient & 1) != 0)) {
                quotient++;
            }
        }
        if (quotient >= limit) {
            quotient >>>= 1;
            b++;
        }
        if (b > maxExponent) {
            return infinity;
        }
        long hidden = 1L << fractionBits;
        if (quotient < hidden) {
            return quotient;
        }
        return ((long) (b - minExponent + 1) << fractionBits) | (quotient - hidden);
    }

    private static int bitLength(int[] a) {
        for (int i = a.length - 1; i >= 0; i--) {
            if (a[i] != 0) {
                int v = a[i];
                int n = 32;
                while (v > 0) {
                    v <<= 1;
                    n--;
                }
                return 32 * i + n;
            }
        }
        return 0;
    }

    private static boolean isZero(int[] a) {
        for (int i = 0; i < a.length; i++) {
            if (a[i] != 0) {
                return false;
            }
        }
        return true;
    }

    private static void shiftRightOne(int[] a) {
        for (int i = 0; i < a.length; i++) {
            int above = i + 1 < a.length ? a[i + 1] : 0;
            a[i] = (a[i] >>> 1) | (above << 31);
        }
    }

    private static final int LIMBS = 40;

    /**
     * The text of (-1 if negative) f * 2^e, f > 0 or the value 0; narrowBelow
     * when the next lower value is half as far as the next higher one.
     */
    static String toText(boolean negative, long f, int e, boolean narrowBelow) {
        if (f == 0) {
            return negative ? "-0.0" : "0.0";
        }
        boolean even = (f & 1) == 0;
        int[] r = new int[LIMBS];
        int[] s = new int[LIMBS];
        int[] mPlus = new int[LIMBS];
        int[] mMinus = new int[LIMBS];
        int[] t = new int[LIMBS];
        set(r, f);
        set(s, 1);
        set(mPlus, 1);
        set(mMinus, 1);
        int shift = narrowBelow ? 2 : 1;
        shiftLeft(r, shift);
        shiftLeft(mPlus, shift - 1);
        if (e >= 0) {
            shiftLeft(r, e);
            shiftLeft(mPlus, e);
            shiftLeft(mMinus, e);
        } else {
            shiftLeft(s, -e);
        }
        shiftLeft(s, shift);
        int bitLength = 64 - numberOfLeadingZeros(f);
        int k = ((e + bitLength - 1) * 78913) >> 18;
        if (k >= 0) {
            multiplyPow10(s, k);
        } else {
            multiplyPow10(r, -k);
            multiplyPow10(mPlus, -k);
            multiplyPow10(mMinus, -k);
        }
        while (true) {
            add(t, r, mPlus);
            int c = compare(t, s);
            if (even ? c < 0 : c <= 0) {
                break;
            }
            multiplySmall(s, 10);
            k++;
        }
        while (true) {
            add(t, r, mPlus);
            multiplySmall(t, 10);
            int c = compare(t, s);
            if (even ? c >= 0 : c > 0) {
                break;
            }
            multiplySmall(r, 10);
            multiplySmall(mPlus, 10);
            multiplySmall(mMinus, 10);
            k--;
        }
        int[] r0 = copy(r);
        char[] digits = new char[20];
        int n = 0;
        while (true) {
            multiplySmall(r, 10);
            multiplySmall(mPlus, 10);
            multiplySmall(mMinus, 10);
            int d = divide(r, s);
            int c = compare(r, mMinus);
            boolean low = even ? c <= 0 : c < 0;
            add(t, r, mPlus);
            c = compare(t, s);
            boolean high = even ? c >= 0 : c > 0;
            if (!low && !high) {
                digits[n++] = (char) ('0' + d);
                continue;
            }
            if (low && high) {
                add(t, r, r);
                c = compare(t, s);
                high = c > 0 || (c == 0 && (d & 1) != 0);
            }
            digits[n++] = (char) ('0' + (high ? d + 1 : d));
            break;
        }
        if (n == 1) {
            // Two digits when they come closer: r0/s is the value, the
            // midpoint distances are a tenth of mPlus/s and mMinus/s now.
            // A value below a tenth (its one digit rounded up to 0.1)
            // takes its two digits a place further down.
            int twoDigitsK = k;
            multiplySmall(r0, 10);
            if (compare(r0, s) < 0) {
                multiplySmall(r0, 100);
                multiplySmall(mMinus, 10);
                multiplySmall(mPlus, 10);
                twoDigitsK--;
            } else {
                multiplySmall(r0, 10);
            }
            int d = divide(r0, s);
            multiplySmall(mMinus, 10);
            multiplySmall(mPlus, 10);
            int c = compare(r0, mMinus);
            boolean low = even ? c <= 0 : c < 0;
            sub(t, s, r0);
            c = compare(t, mPlus);
            boolean high = even ? c <= 0 : c < 0;
            if (low && high) {
                add(t, r0, r0);
                c = compare(t, s);
                low = c < 0 || (c == 0 && (d & 1) == 0);
            }
            int chosen = low ? d : high ? d + 1 : -1;
            if (chosen >= 10 && chosen < 100) {
                digits[0] = (char) ('0' + chosen / 10);
                digits[1] = (char) ('0' + chosen % 10);
                n = chosen % 10 == 0 ? 1 : 2;
                k = twoDigitsK;
            }
        }
        return format(negative, digits, n, k);
    }

    /** 0.digits * 10^k in the plain or the computerised scientific form. */
    private static String format(boolean negative, char[] digits, int n, int k) {
        StringBuffer b = new StringBuffer(n + 10);
        if (negative) {
            b.append('-');
        }
        if (k > 0 && k <= 7) {
            for (int i = 0; i < k; i++) {
                b.append(i < n ? digits[i] : '0');
            }
            b.append('.');
            if (n <= k) {
                b.append('0');
            } else {
                b.append(digits, k, n - k);
            }
        } else if (k > -3 && k <= 0) {
            b.append("0.");
            for (int i = k; i < 0; i++) {
                b.append('0');
            }
            b.append(digits, 0, n);
        } else {
            b.append(digits[0]).append('.');
            if (n == 1) {
                b.append('0');
            } else {
                b.append(digits, 1, n - 1);
            }
            b.append('E').append(k - 1);
        }
        return b.toString();
    }

    private static int numberOfLeadingZeros(long v) {
        int n = 0;
        for (long bit = 1L << 63; bit != 0 && (v & bit) == 0; bit >>>= 1) {
            n++;
        }
        return n;
    }

    private static void set(int[] a, long v) {
        for (int i = 0; i < a.length; i++) {
            a[i] = 0;
        }
        a[0] = (int) v;
        a[1] = (int) (v >>> 32);
    }

    private static int[] copy(int[] a) {
        int[] c = new int[a.length];
        System.arraycopy(a, 0, c, 0, a.length);
        return c;
    }

    private static void shiftLeft(int[] a, int bits) {
        int words = bits >> 5;
        int rest = bits & 31;
        for (int i = a.length - 1; i >= 0; i--) {
            int from = i - words;
            long v = from >= 0 ? a[from] & 0xFFFFFFFFL : 0;
            long below = from - 1 >= 0 ? a[from - 1] & 0xFFFFFFFFL : 0;
            a[i] = (int) ((v << rest) | (rest == 0 ? 0 : below >>> (32 - rest)));
        }
    }

    private static void multiplySmall(int[] a, int m) {
        long carry = 0;
        for (int i = 0; i < a.length; i++) {
            long v = (a[i] & 0xFFFFFFFFL) * m + carry;
            a[i] = (int) v;
            carry = v >>> 32;
        }
    }

    private static void multiplyPow10(int[] a, int k) {
        for (; k >= 9; k -= 9) {
            multiplySmall(a, 1000000000);
        }
        int m = 1;
        for (; k > 0; k--) {
            m *= 10;
        }
        multiplySmall(a, m);
    }

    /** sum = a + b; sum may be a or b. */
    private static void add(int[] sum, int[] a, int[] b) {
        long carry = 0;
        for (int i = 0; i < sum.length; i++) {
            long v = (a[i] & 0xFFFFFFFFL) + (b[i] & 0xFFFFFFFFL) + carry;
            sum[i] = (int) v;
            carry = v >>> 32;
        }
    }

    /** difference = a - b, a >= b; difference may be a or b. */
    private static void sub(int[] difference, int[] a, int[] b) {
        long borrow = 0;
        for (int i = 0; i < difference.length; i++) {
            long v = (a[i] & 0xFFFFFFFFL) - (b[i] & 0xFFFFFFFFL) - borrow;
            difference[i] = (int) v;
            borrow = v < 0 ? 1 : 0;
        }
    }

    private static int compare(int[] a, int[] b) {
        for (int i = a.length - 1; i >= 0; i--) {
            if (a[i] != b[i]) {
                return (a[i] & 0xFFFFFFFFL) < (b[i] & 0xFFFFFFFFL) ? -1 : 1;
            }
        }
        return 0;
    }

    /** The integer part of a / s, a small number; a keeps the remainder. */
    private static int divide(int[] a, int[] s) {
        int q = 0;
        while (compare(a, s) >= 0) {
            sub(a, a, s);
            q++;
        }
        return q;
    }
}
