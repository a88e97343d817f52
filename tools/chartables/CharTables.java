/*
 * Writes the character tables of the system library
 * (classes/com/sun/cldc/i18n/uclc/CharacterTables.java) on standard output,
 * from the host JDK's simple one-character mappings and digit values over
 * the Basic Multilingual Plane. Run as `java CharTables.java`; a build check
 * reruns it and compares the output with the committed file.
 *
 * Each table is a String of runs of three chars (first, last, value): a run
 * holds consecutive chars whose value grows by one from char to char (a
 * digit value) or stays the same offset from the char (a case mapping,
 * stored modulo 2^16). Runs are sorted and disjoint, so a binary search over
 * the first chars finds a char's run.
 */
public final class CharTables {
    private CharTables() {
    }

    /** A property of a char: its value, or -1 where the table holds none. */
    private interface Property {
        int of(char c);
    }

    public static void main(String[] args) {
        StringBuilder out = new StringBuilder();
        out.append("package com.sun.cldc.i18n.uclc;\n\n");
        out.append("/**\n");
        out.append(" * Case mappings and digit values of the Basic Multilingual Plane, written\n");
        out.append(" * by tools/chartables/CharTables.java; do not edit. Each table is runs of\n");
        out.append(" * three chars (first, last, value), sorted and disjoint: a case table's\n");
        out.append(" * value is the offset added to each char of its run (modulo 2^16), the\n");
        out.append(" * digit table's the digit value of the run's first char, growing by one.\n");
        out.append(" */\n");
        out.append("public final class CharacterTables {\n");
        out.append("    private CharacterTables() {\n    }\n");
        table(out, "UPPER", true, c -> Character.toUpperCase(c) != c ? (Character.toUpperCase(c) - c) & 0xFFFF : -1);
        table(out, "LOWER", true, c -> Character.toLowerCase(c) != c ? (Character.toLowerCase(c) - c) & 0xFFFF : -1);
        table(out, "DIGIT", false, c -> Character.digit(c, 36));
        table(out, "IS_UPPER", true, c -> Character.isUpperCase(c) ? 0 : -1);
        table(out, "IS_LOWER", true, c -> Character.isLowerCase(c) ? 0 : -1);
        out.append("\n");
        out.append("    /**\n");
        out.append("     * The index in the table of the first char of c's run, or -1 where\n");
        out.append("     * no run holds c.\n");
        out.append("     */\n");
        out.append("    public static int find(String table, char c) {\n");
        out.append("        int low = 0;\n");
        out.append("        int high = table.length() / 3 - 1;\n");
        out.append("        while (low <= high) {\n");
        out.append("            int mid = (low + high) >>> 1;\n");
        out.append("            int i = mid * 3;\n");
        out.append("            if (c < table.charAt(i)) {\n");
        out.append("                high = mid - 1;\n");
        out.append("            } else if (c > table.charAt(i + 1)) {\n");
        out.append("                low = mid + 1;\n");
        out.append("            } else {\n");
        out.append("                return i;\n");
        out.append("            }\n");
        out.append("        }\n");
        out.append("        return -1;\n");
        out.append("    }\n");
        out.append("}\n");
        System.out.print(out);
    }

    /**
     * Appends the table NAME of the property's runs; constant is true where
     * a run keeps one value, false where it grows by one.
     */
    private static void table(StringBuilder out, String name, boolean constant, Property p) {
        java.util.List<String> runs = new java.util.ArrayList<>();
        int c = 0;
        while (c <= 0xFFFF) {
            int v = p.of((char) c);
            if (v < 0) {
                c++;
                continue;
            }
            int last = c;
            while (last < 0xFFFF && p.of((char) (last + 1)) == (constant ? v : v + last + 1 - c)) {
                last++;
            }
            runs.add(esc(c) + esc(last) + esc(v));
            c = last + 1;
        }
        out.append("\n    /** ").append(runs.size()).append(" runs. */\n");
        out.append("    public static final String ").append(name).append(" =\n");
        int per = 6;
        for (int i = 0; i < runs.size(); i += per) {
            out.append("        \"").append(String.join("", runs.subList(i, Math.min(runs.size(), i + per))));
            out.append(i + per < runs.size() ? "\" +\n" : "\";\n");
        }
    }

    /** The char as a Java escape, octal where a Unicode escape would end the literal. */
    private static String esc(int c) {
        if (c == '\n' || c == '\r' || c == '"' || c == '\\') {
            return String.format("\\%03o", c);
        }
        return String.format("\\u%04x", c);
    }
}
