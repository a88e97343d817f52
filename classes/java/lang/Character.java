package java.lang;

import com.sun.cldc.i18n.uclc.CharacterTables;

/**
 * A char value as an object, and the char's case and digit properties over
 * the Basic Multilingual Plane, from the generated CharacterTables.
 */
public final class Character {
    public static final int MIN_RADIX = 2;
    public static final int MAX_RADIX = 36;
    public static final char MIN_VALUE = '\u0000';
    public static final char MAX_VALUE = '\uffff';

    private final char value;

    public Character(char value) {
        this.value = value;
    }

    public char charValue() {
        return value;
    }

    public boolean equals(Object obj) {
        return obj instanceof Character && ((Character) obj).value == value;
    }

    public int hashCode() {
        return value;
    }

    public String toString() {
        return String.valueOf(value);
    }

    public static boolean isLowerCase(char ch) {
        return CharacterTables.find(CharacterTables.IS_LOWER, ch) >= 0;
    }

    public static boolean isUpperCase(char ch) {
        return CharacterTables.find(CharacterTables.IS_UPPER, ch) >= 0;
    }

    /** A decimal digit: a char of digit value 0 to 9 that is no letter. */
    public static boolean isDigit(char ch) {
        return digit(ch, 10) >= 0;
    }

    public static char toLowerCase(char ch) {
        return mapped(CharacterTables.LOWER, ch);
    }

    public static char toUpperCase(char ch) {
        return mapped(CharacterTables.UPPER, ch);
    }

    /**
     * The digit value of ch in the radix, or -1 where ch is no digit of it
     * or the radix lies outside MIN_RADIX to MAX_RADIX.
     */
    public static int digit(char ch, int radix) {
        if (radix < MIN_RADIX || radix > MAX_RADIX) {
            return -1;
        }
        String t = CharacterTables.DIGIT;
        int i = CharacterTables.find(t, ch);
        if (i < 0) {
            return -1;
        }
        int d = t.charAt(i + 2) + (ch - t.charAt(i));
        return d < radix ? d : -1;
    }

    /** ch moved by its run's offset in the case table, else ch. */
    private static char mapped(String table, char ch) {
        int i = CharacterTables.find(table, ch);
        return i < 0 ? ch : (char) (ch + table.charAt(i + 2));
    }
}
