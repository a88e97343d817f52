package tests;

/**
 * The integer wrappers and Boolean: toString of every constant and corner
 * in every radix (and the two radixes outside the range), the unsigned
 * forms, parsing of valid and invalid strings in several radixes, the
 * wrappers' values, equals and hashCode; Character's properties over all
 * 65,536 chars, one hash a block of 256.
 */
public final class Numbers {
    private Numbers() {
    }

    private static final long[] LONGS = {
        0L, 1L, -1L, 7L, -36L, 127L, -128L, 255L, 32767L, -32768L, 65535L,
        2147483647L, -2147483648L, 4294967295L, 1000000007L,
        0x7fffffffffffffffL, 0x8000000000000000L, -0x7fffffffffffffffL, 0x123456789abcdefL
    };

    private static final String[] PARSED = {
        "0", "-0", "00012", "-1", "7f", "7F", "z", "Z", "-zz", "1010", "777",
        "2147483647", "2147483648", "-2147483648", "-2147483649",
        "9223372036854775807", "9223372036854775808", "-9223372036854775808",
        "-9223372036854775809", "99999999999999999999", "7fffffffffffffff",
        "-8000000000000000", "8000000000000000", "ffffffff", "-80000000", "80000000",
        "127", "128", "-128", "-129", "32767", "32768", "-32768", "-32769",
        "", "-", "--1", "1-", " 1", "1 ", "1.0", "0x10", "#10", "\u0661\u0662",
        "\uff11\uff12", "\uff21", "a\u0660", null
    };

    private static final int[] RADIXES = { 10, 2, 8, 16, 36, 1, 37, 0, -10 };

    public static void main(String[] args) {
        toStrings();
        parsing();
        wrappers();
        characters();
    }

    private static void toStrings() {
        for (int k = 0; k < LONGS.length; k++) {
            long v = LONGS[k];
            for (int radix = 1; radix <= 37; radix++) {
                Line.at("Long.toString radix", radix);
                Out.printString(Long.toString(v, radix));
                Out.newLine();
                Line.at("Integer.toString radix", radix);
                Out.printString(Integer.toString((int) v, radix));
                Out.newLine();
            }
            Line.s("Long.toString", Long.toString(v));
            Line.s("Integer.toString", Integer.toString((int) v));
            Line.s("toHexString", Integer.toHexString((int) v));
            Line.s("toOctalString", Integer.toOctalString((int) v));
            Line.s("toBinaryString", Integer.toBinaryString((int) v));
            Line.s("new Long", new Long(v).toString());
            Line.s("new Integer", new Integer((int) v).toString());
            Line.s("new Short", new Short((short) v).toString());
            Line.s("new Byte", new Byte((byte) v).toString());
            Line.s("String.valueOf int", String.valueOf((int) v));
            Line.s("String.valueOf long", String.valueOf(v));
        }
        Line.l("Long.MIN_VALUE", Long.MIN_VALUE);
        Line.l("Long.MAX_VALUE", Long.MAX_VALUE);
        Line.i("Integer.MIN_VALUE", Integer.MIN_VALUE);
        Line.i("Integer.MAX_VALUE", Integer.MAX_VALUE);
        Line.i("Short.MIN_VALUE", Short.MIN_VALUE);
        Line.i("Short.MAX_VALUE", Short.MAX_VALUE);
        Line.i("Byte.MIN_VALUE", Byte.MIN_VALUE);
        Line.i("Byte.MAX_VALUE", Byte.MAX_VALUE);
        Line.i("Character.MIN_RADIX", Character.MIN_RADIX);
        Line.i("Character.MAX_RADIX", Character.MAX_RADIX);
        Line.i("Character.MIN_VALUE", Character.MIN_VALUE);
        Line.i("Character.MAX_VALUE", Character.MAX_VALUE);
    }

    private static void parsing() {
        for (int k = 0; k < PARSED.length; k++) {
            String s = PARSED[k];
            for (int r = 0; r < RADIXES.length; r++) {
                int radix = RADIXES[r];
                Line.at("case", k);
                Out.printString("radix ");
                Out.printInt(radix);
                Out.printString(" long ");
                try {
                    Out.printLong(Long.parseLong(s, radix));
                } catch (NumberFormatException e) {
                    Out.printString("NumberFormatException");
                }
                Out.printString(" int ");
                try {
                    Out.printInt(Integer.parseInt(s, radix));
                } catch (NumberFormatException e) {
                    Out.printString("NumberFormatException");
                }
                Out.printString(" short ");
                try {
                    Out.printInt(Short.parseShort(s, radix));
                } catch (NumberFormatException e) {
                    Out.printString("NumberFormatException");
                }
                Out.printString(" byte ");
                try {
                    Out.printInt(Byte.parseByte(s, radix));
                } catch (NumberFormatException e) {
                    Out.printString("NumberFormatException");
                }
                Out.printString(" valueOf ");
                try {
                    Out.printInt(Integer.valueOf(s, radix).intValue());
                } catch (NumberFormatException e) {
                    Out.printString("NumberFormatException");
                }
                Out.newLine();
            }
            Line.at("decimal", k);
            try {
                Out.printLong(Long.parseLong(s));
                Out.printChar(' ');
                Out.printInt(Integer.parseInt(s));
                Out.printChar(' ');
                Out.printInt(Integer.valueOf(s).intValue());
                Out.printChar(' ');
                Out.printInt(Short.parseShort(s));
                Out.printChar(' ');
                Out.printInt(Byte.parseByte(s));
            } catch (NumberFormatException e) {
                Out.printString("NumberFormatException");
            }
            Out.newLine();
        }
    }

    private static void wrappers() {
        Integer i = new Integer(-129);
        Line.i("byteValue", i.byteValue());
        Line.i("shortValue", new Integer(0x12348765).shortValue());
        Line.l("longValue", i.longValue());
        Line.f("floatValue", new Integer(16777217).floatValue());
        Line.d("doubleValue", new Long(0x7fffffffffffffffL).doubleValue());
        Line.f("Long floatValue", new Long(-1L).floatValue());
        Line.z("Integer equals", i.equals(new Integer(-129)));
        Line.z("Integer equals other", i.equals(new Integer(129)));
        Line.z("Integer equals Long", i.equals(new Long(-129)));
        Line.z("Integer equals null", i.equals(null));
        Line.i("Integer hashCode", i.hashCode());
        Line.i("Long hashCode", new Long(0x123456789abcdefL).hashCode());
        Line.i("Long hashCode -1", new Long(-1L).hashCode());
        Line.z("Long equals", new Long(5).equals(new Long(5)));
        Line.i("Short hashCode", new Short((short) -5).hashCode());
        Line.i("Byte hashCode", new Byte((byte) -5).hashCode());
        Line.z("Short equals", new Short((short) 3).equals(new Short((short) 3)));
        Line.z("Byte equals Short", new Byte((byte) 3).equals(new Short((short) 3)));
        Line.s("Boolean.TRUE", Boolean.TRUE.toString());
        Line.s("Boolean.FALSE", Boolean.FALSE.toString());
        Line.z("Boolean value", Boolean.TRUE.booleanValue());
        Line.i("Boolean hashCode true", Boolean.TRUE.hashCode());
        Line.i("Boolean hashCode false", Boolean.FALSE.hashCode());
        Line.z("Boolean equals", new Boolean(true).equals(Boolean.TRUE));
        Line.z("Boolean equals false", Boolean.FALSE.equals(Boolean.TRUE));
        Character c = new Character('q');
        Line.c("charValue", c.charValue());
        Line.s("Character toString", c.toString());
        Line.i("Character hashCode", c.hashCode());
        Line.z("Character equals", c.equals(new Character('q')));
        Line.z("Character equals other", c.equals(new Character('Q')));
    }

    /**
     * Per block of 256 chars, a hash of the case mappings, the case and
     * digit tests and the digit value in radixes 10, 16 and 36.
     */
    private static void characters() {
        for (int block = 0; block < 256; block++) {
            int h = 0;
            for (int k = 0; k < 256; k++) {
                char ch = (char) (block * 256 + k);
                h = h * 31 + Character.toUpperCase(ch);
                h = h * 31 + Character.toLowerCase(ch);
                h = h * 31 + (Character.isUpperCase(ch) ? 1 : 0);
                h = h * 31 + (Character.isLowerCase(ch) ? 1 : 0);
                h = h * 31 + (Character.isDigit(ch) ? 1 : 0);
                h = h * 31 + Character.digit(ch, 10);
                h = h * 31 + Character.digit(ch, 16);
                h = h * 31 + Character.digit(ch, 36);
            }
            Line.at("chars", block);
            Out.printInt(h);
            Out.newLine();
        }
        Line.i("digit radix 1", Character.digit('0', 1));
        Line.i("digit radix 37", Character.digit('0', 37));
        Line.i("digit z 35", Character.digit('z', 35));
    }
}
