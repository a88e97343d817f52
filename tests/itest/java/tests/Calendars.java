package tests;

import java.util.Calendar;
import java.util.Date;
import java.util.TimeZone;

/**
 * Calendar in GMT: every field of instants from 1970 to 2100, and each
 * field from YEAR to MILLISECOND set to values in and out of its range
 * (carrying into the larger fields), HOUR and AM_PM against HOUR_OF_DAY,
 * DAY_OF_WEEK within its week; equals, before, after, getTime; the
 * current time of new Date() and Calendar.getInstance, and its zones.
 */
public final class Calendars {
    private Calendars() {
    }

    private static final int[] FIELDS = {
        Calendar.YEAR, Calendar.MONTH, Calendar.DATE, Calendar.DAY_OF_WEEK, Calendar.AM_PM, Calendar.HOUR,
        Calendar.HOUR_OF_DAY, Calendar.MINUTE, Calendar.SECOND, Calendar.MILLISECOND,
    };

    private static final int[] VALUES = { 0, 1, 2, 7, 11, 12, 13, 28, 29, 31, 59, 60, 1000, -1, 2000, 2024 };

    private static void fields(String label, int k, Calendar c) {
        Line.at(label, k);
        for (int i = 0; i < FIELDS.length; i++) {
            Out.printInt(c.get(FIELDS[i]));
            Out.printChar(' ');
        }
        Out.printLong(c.getTime().getTime());
        Out.newLine();
    }

    public static void main(String[] args) {
        long seed = 31;
        long span = 4133980800000L;
        for (int k = 0; k < 200; k++) {
            seed = seed * 6364136223846793005L + 1442695040888963407L;
            fields("instant", k, CalendarSource.at((seed >>> 1) % span));
        }
        long[] starts = { 951825600123L, 1078012800000L, 4107542399999L, 0L };
        for (int s = 0; s < starts.length; s++) {
            for (int f = 0; f < FIELDS.length; f++) {
                for (int v = 0; v < VALUES.length; v++) {
                    if (FIELDS[f] == Calendar.YEAR && VALUES[v] < 1600) {
                        continue; // HotSpot's calendar turns Julian before 1582
                    }
                    Calendar c = CalendarSource.at(starts[s]);
                    c.set(FIELDS[f], VALUES[v]);
                    Line.at("set", s * 1000 + f * 100 + v);
                    Out.printInt(FIELDS[f]);
                    Out.printChar(' ');
                    Out.printInt(VALUES[v]);
                    Out.newLine();
                    fields("after set", s * 1000 + f * 100 + v, c);
                }
            }
        }
        Calendar c = CalendarSource.at(1000000000000L);
        c.set(Calendar.HOUR_OF_DAY, 3);
        c.set(Calendar.HOUR, 5);
        fields("HOUR after HOUR_OF_DAY", 0, c);
        c.set(Calendar.AM_PM, Calendar.PM);
        fields("AM_PM after HOUR", 0, c);
        c.set(Calendar.HOUR_OF_DAY, 1);
        fields("HOUR_OF_DAY after AM_PM", 0, c);
        c.set(Calendar.YEAR, 2030);
        c.set(Calendar.MONTH, Calendar.FEBRUARY);
        c.set(Calendar.DATE, 31);
        fields("YEAR MONTH DATE", 0, c);
        Calendar a = CalendarSource.at(5000);
        Calendar b = CalendarSource.at(5000);
        Calendar later = CalendarSource.at(5001);
        Line.z("equals same", a.equals(b));
        Line.z("equals later", a.equals(later));
        Line.z("equals date", a.equals(new Date(5000)));
        Line.z("before", a.before(later));
        Line.z("after", a.after(later));
        Line.z("later after", later.after(a));
        Line.z("before date", a.before(new Date(9000)));
        Line.s("zone", a.getTimeZone().getID());
        a.setTimeZone(TimeZone.getTimeZone("UTC"));
        Line.s("zone set", a.getTimeZone().getID());
        fields("in UTC", 0, a);
        a.setTime(new Date(86400000L * 365));
        fields("setTime", 0, a);
        now();
    }

    private static void now() {
        long before = System.currentTimeMillis();
        Date date = new Date();
        Calendar local = Calendar.getInstance();
        Calendar utc = Calendar.getInstance(TimeZone.getTimeZone("UTC"));
        long after = System.currentTimeMillis();
        Date[] read = { date, local.getTime(), utc.getTime() };
        for (int i = 0; i < read.length; i++) {
            Line.at("now between two clock readings", i);
            Out.printBoolean(before <= read[i].getTime() && read[i].getTime() <= after);
            Out.newLine();
        }
        Line.s("getInstance() zone", local.getTimeZone().getID());
        Line.s("getInstance(UTC) zone", utc.getTimeZone().getID());
    }
}
