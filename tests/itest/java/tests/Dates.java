package tests;

import java.util.Date;
import java.util.TimeZone;

/**
 * Date's text from 1970 to 2100 in the default zone (GMT): the turns of
 * years, months and days around leap days, and instants of a fixed
 * pseudo-random sequence; equals and hashCode; the zones GMT and UTC and
 * an unknown ID.
 */
public final class Dates {
    private Dates() {
    }

    private static final long DAY = 24L * 60 * 60 * 1000;

    /** Instants around which each millisecond either side is printed. */
    private static final long[] TURNS = {
        0L, 59L * DAY, 365L * DAY, 790L * DAY, 10957L * DAY, 11016L * DAY, 11017L * DAY, 4102444800000L,
        4107456000000L, 4107542400000L, 951782400000L, 1078012800000L, 2147483647000L
    };

    public static void main(String[] args) {
        for (int k = 0; k < TURNS.length; k++) {
            for (long d = -1; d <= 1; d++) {
                Line.at("turn", k);
                Out.printString(new Date(TURNS[k] + d).toString());
                Out.newLine();
            }
        }
        long seed = 12345;
        long span = 4133980800000L;
        for (int i = 0; i < 400; i++) {
            seed = seed * 6364136223846793005L + 1442695040888963407L;
            long t = (seed >>> 1) % span;
            Line.at("random", i);
            Out.printLong(t);
            Out.printChar(' ');
            Out.printString(new Date(t).toString());
            Out.newLine();
        }
        long[] times = { 0L, 1L, -1L, 1L << 32, Long.MIN_VALUE, Long.MAX_VALUE };
        for (int i = 0; i < times.length; i++) {
            Date d = new Date(times[i]);
            Line.at("hashCode", i);
            Out.printInt(d.hashCode());
            Out.printChar(' ');
            Out.printBoolean(d.equals(new Date(times[i])));
            Out.printChar(' ');
            Out.printBoolean(d.equals(new Date(times[i] + 1)));
            Out.printChar(' ');
            Out.printBoolean(d.equals(null));
            Out.printChar(' ');
            Out.printBoolean(d.equals("x"));
            Out.newLine();
            d.setTime(times[i] ^ 5);
            Line.l("setTime", d.getTime());
        }
        String[] ids = { "GMT", "UTC", "Nowhere/Else", "" };
        for (int i = 0; i < ids.length; i++) {
            TimeZone z = TimeZone.getTimeZone(ids[i]);
            Line.at("zone", i);
            Out.printString(z.getID());
            Out.printChar(' ');
            Out.printInt(z.getRawOffset());
            Out.printChar(' ');
            Out.printBoolean(z.useDaylightTime());
            Out.printChar(' ');
            Out.printInt(z.getOffset(1, 2024, 1, 29, 5, 43200000));
            Out.newLine();
        }
        Line.s("default zone", TimeZone.getDefault().getID());
        try {
            TimeZone.getTimeZone((String) null);
            Line.s("null ID", "no exception");
        } catch (NullPointerException e) {
            Line.s("null ID", "NullPointerException");
        }
    }
}
