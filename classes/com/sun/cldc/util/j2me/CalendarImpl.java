package com.sun.cldc.util.j2me;

import java.util.Calendar;
import java.util.TimeZone;

/**
 * The system's calendar: proleptic Gregorian, days counted from
 * 1970-01-01 (a Thursday) through the civil-from-days and days-from-civil
 * conversions over 400-year eras of 146097 days, whose years start on
 * 1 March so that the leap day ends them.
 */
public class CalendarImpl extends Calendar {
    private static final long MILLIS_PER_DAY = 24L * 60 * 60 * 1000;

    private static final String[] DAY_NAMES = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };

    private static final String[] MONTH_NAMES = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"
    };

    public CalendarImpl() {
    }

    /** The text of an instant in the default zone: "Thu Jan 01 00:00:00 GMT 1970". */
    public static String toString(long millis) {
        CalendarImpl c = new CalendarImpl();
        c.setTime(new java.util.Date(millis));
        StringBuffer b = new StringBuffer(28);
        b.append(DAY_NAMES[c.get(DAY_OF_WEEK) - 1]).append(' ');
        b.append(MONTH_NAMES[c.get(MONTH)]).append(' ');
        twoDigits(b, c.get(DATE)).append(' ');
        twoDigits(b, c.get(HOUR_OF_DAY)).append(':');
        twoDigits(b, c.get(MINUTE)).append(':');
        twoDigits(b, c.get(SECOND)).append(' ');
        b.append(c.getTimeZone().getID()).append(' ').append(c.get(YEAR));
        return b.toString();
    }

    private static StringBuffer twoDigits(StringBuffer b, int value) {
        if (value < 10) {
            b.append('0');
        }
        return b.append(value);
    }

    private static long floorDiv(long a, long b) {
        long q = a / b;
        return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
    }

    /** Days since 1970-01-01 of year-month(0-based)-day, any month carried into the year. */
    private static long daysFromCivil(long year, long month, long day) {
        year += floorDiv(month, 12);
        month -= floorDiv(month, 12) * 12;
        long y = month < 2 ? year - 1 : year;
        long era = floorDiv(y, 400);
        long yearOfEra = y - era * 400;
        long monthFromMarch = month < 2 ? month + 10 : month - 2;
        long dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
        long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
        return era * 146097 + dayOfEra - 719468;
    }

    /** The offset of zone at the local standard time of these fields. */
    private int offsetAt(TimeZone zone, long localStandard) {
        civil(localStandard);
        return zone.getOffset(1, fields[YEAR], fields[MONTH], fields[DATE], fields[DAY_OF_WEEK],
                fields[MILLISECOND] + 1000 * (fields[SECOND] + 60 * (fields[MINUTE] + 60 * fields[HOUR_OF_DAY])));
    }

    protected void computeFields() {
        TimeZone zone = getTimeZone();
        long standard = time + zone.getRawOffset();
        int offset = offsetAt(zone, standard);
        if (offset != zone.getRawOffset()) {
            civil(time + offset);
        }
    }

    /** Sets every field from local milliseconds since 1970. */
    private void civil(long local) {
        long days = floorDiv(local, MILLIS_PER_DAY);
        int millisOfDay = (int) (local - days * MILLIS_PER_DAY);
        long z = days + 719468;
        long era = floorDiv(z, 146097);
        long dayOfEra = z - era * 146097;
        long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
        long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
        long monthFromMarch = (5 * dayOfYear + 2) / 153;
        int month = (int) (monthFromMarch < 10 ? monthFromMarch + 2 : monthFromMarch - 10);
        fields[YEAR] = (int) (yearOfEra + era * 400 + (month < 2 ? 1 : 0));
        fields[MONTH] = month;
        fields[DATE] = (int) (dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
        fields[DAY_OF_WEEK] = (int) (days + 4 - floorDiv(days + 4, 7) * 7) + 1;
        int hour = millisOfDay / 3600000;
        fields[HOUR_OF_DAY] = hour;
        fields[AM_PM] = hour / 12;
        fields[HOUR] = hour % 12;
        fields[MINUTE] = millisOfDay / 60000 % 60;
        fields[SECOND] = millisOfDay / 1000 % 60;
        fields[MILLISECOND] = millisOfDay % 1000;
    }

    protected void computeTime() {
        long days = daysFromCivil(fields[YEAR], fields[MONTH], fields[DATE]);
        long local = days * MILLIS_PER_DAY
                + (((long) fields[HOUR_OF_DAY] * 60 + fields[MINUTE]) * 60 + fields[SECOND]) * 1000
                + fields[MILLISECOND];
        TimeZone zone = getTimeZone();
        long standard = local - zone.getRawOffset();
        int[] saved = new int[fields.length];
        System.arraycopy(fields, 0, saved, 0, fields.length);
        int offset = offsetAt(zone, local);
        System.arraycopy(saved, 0, fields, 0, fields.length);
        time = standard - (offset - zone.getRawOffset());
    }
}
