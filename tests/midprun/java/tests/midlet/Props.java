package tests.midlet;

import javax.microedition.midlet.MIDlet;

/**
 * Prints the attributes the properties checks ask for, one line each:
 * the key, a blank, then the value (or "null"); "Long-Value" as its length
 * and whether every unit follows the pattern 'a' + i mod 26; the keys
 * "\u30ad\u30fc" and "\u30ad" as the hexadecimal units of their values.
 */
public class Props extends MIDlet {
    private static final String[] PLAIN = {"MIDlet-Name", "Manifest-Only", "Absent-Key"};
    private static final String[] UNITS = {"\u30ad\u30fc", "\u30ad"};

    protected void startApp() {
        for (int i = 0; i < PLAIN.length; ++i) {
            System.out.print(PLAIN[i]);
            System.out.print(' ');
            System.out.println(getAppProperty(PLAIN[i]));
        }
        String s = getAppProperty("Long-Value");
        System.out.print("Long-Value ");
        if (s == null) {
            System.out.println("null");
        } else {
            boolean pattern = true;
            for (int i = 0; i < s.length(); ++i) {
                pattern = pattern && s.charAt(i) == (char) ('a' + i % 26);
            }
            System.out.print(s.length());
            System.out.println(pattern ? " pattern" : " garbled");
        }
        for (int i = 0; i < UNITS.length; ++i) {
            System.out.print("units");
            System.out.print(i);
            String v = getAppProperty(UNITS[i]);
            if (v == null) {
                System.out.print(" null");
            }
            for (int k = 0; v != null && k < v.length(); ++k) {
                System.out.print(' ');
                System.out.print(Integer.toHexString(v.charAt(k)));
            }
            System.out.println();
        }
        notifyDestroyed();
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }
}
