package java.util;

import com.sun.cldc.util.j2me.CalendarImpl;

/**
 * An instant as calendar fields in a time zone. Two views are kept: time
 * (milliseconds since 1970-01-01T00:00:00 GMT) and fields[]; each is
 * valid or waits to be computed from the other. set() makes the time
 * stale; get() computes the time from the fields and then every field
 * from the time, so that out-of-range values carry into the larger
 * fields. Where fields disagree, the one set last wins: HOUR and AM_PM
 * against HOUR_OF_DAY, and DAY_OF_WEEK against DATE: the day of that
 * name (its value taken modulo 7) in the same week, Sunday to Saturday.
 */
public abstract class Calendar {
    public static final int YEAR = 1;
    public static final int MONTH = 2;
    public static final int DATE = 5;
    public static final int DAY_OF_MONTH = 5;
    public static final int DAY_OF_WEEK = 7;
    public static final int AM_PM = 9;
    public static final int HOUR = 10;
    public static final int HOUR_OF_DAY = 11;
    public static final int MINUTE = 12;
    public static final int SECOND = 13;
    public static final int MILLISECOND = 14;

    public static final int SUNDAY = 1;
    public static final int MONDAY = 2;
    public static final int TUESDAY = 3;
    public static final int WEDNESDAY = 4;
    public static final int THURSDAY = 5;
    public static final int FRIDAY = 6;
    public static final int SATURDAY = 7;

    public static final int JANUARY = 0;
    public static final int FEBRUARY = 1;
    public static final int MARCH = 2;
    public static final int APRIL = 3;
    public static final int MAY = 4;
    public static final int JUNE = 5;
    public static final int JULY = 6;
    public static final int AUGUST = 7;
    public static final int SEPTEMBER = 8;
    public static final int OCTOBER = 9;
    public static final int NOVEMBER = 10;
    public static final int DECEMBER = 11;

    public static final int AM = 0;
    public static final int PM = 1;

    private static final int FIELD_COUNT = MILLISECOND + 1;

    protected int[] fields;
    protected boolean[] isSet;
    protected long time;

    private boolean timeValid;
    /** When each field was set, by a running count; 0 when computed. */
    private final int[] stamp = new int[FIELD_COUNT];
    private int nextStamp;
    /** DAY_OF_WEEK as last computed, for a DAY_OF_WEEK set since. */
    private int computedDayOfWeek;
    private TimeZone zone;

    protected Calendar() {
        fields = new int[FIELD_COUNT];
        isSet = new boolean[FIELD_COUNT];
        zone = TimeZone.getDefault();
    }

    /** The system's calendar at the current time in the default zone. */
    public static synchronized Calendar getInstance() {
        return getInstance(TimeZone.getDefault());
    }

    /** The system's calendar at the current time in the zone. */
    public static synchronized Calendar getInstance(TimeZone zone) {
        Calendar c = new CalendarImpl();
        c.setTimeZone(zone);
        c.setTimeInMillis(System.currentTimeMillis());
        return c;
    }

    public final Date getTime() {
        return new Date(getTimeInMillis());
    }

    public final void setTime(Date date) {
        setTimeInMillis(date.getTime());
    }

    protected long getTimeInMillis() {
        if (!timeValid) {
            resolve();
            computeTime();
            timeValid = true;
        }
        return time;
    }

    protected void setTimeInMillis(long millis) {
        time = millis;
        timeValid = true;
        refreshFields();
    }

    public final int get(int field) {
        getTimeInMillis();
        refreshFields();
        return fields[field];
    }

    public final void set(int field, int value) {
        fields[field] = value;
        isSet[field] = true;
        stamp[field] = ++nextStamp;
        timeValid = false;
    }

    public boolean equals(Object obj) {
        if (!(obj instanceof Calendar)) {
            return false;
        }
        Calendar other = (Calendar) obj;
        return getTimeInMillis() == other.getTimeInMillis() && sameZone(zone, other.zone);
    }

    private static boolean sameZone(TimeZone a, TimeZone b) {
        String id = a.getID();
        return a == b || (id != null && id.equals(b.getID()) && a.getRawOffset() == b.getRawOffset());
    }

    public boolean before(Object when) {
        return when instanceof Calendar && getTimeInMillis() < ((Calendar) when).getTimeInMillis();
    }

    public boolean after(Object when) {
        return when instanceof Calendar && getTimeInMillis() > ((Calendar) when).getTimeInMillis();
    }

    public void setTimeZone(TimeZone value) {
        zone = value;
        if (timeValid) {
            refreshFields();
        }
    }

    public TimeZone getTimeZone() {
        return zone;
    }

    protected abstract void computeFields();

    protected abstract void computeTime();

    private void refreshFields() {
        computeFields();
        for (int i = 0; i < FIELD_COUNT; i++) {
            isSet[i] = true;
            stamp[i] = 0;
        }
        nextStamp = 0;
        computedDayOfWeek = fields[DAY_OF_WEEK];
    }

    /** Folds the fields set last into the ones computeTime reads. */
    private void resolve() {
        if (stamp[HOUR] > stamp[HOUR_OF_DAY] || stamp[AM_PM] > stamp[HOUR_OF_DAY]) {
            fields[HOUR_OF_DAY] = fields[AM_PM] * 12 + fields[HOUR];
        }
        if (stamp[DAY_OF_WEEK] > stamp[DATE]) {
            int day = (fields[DAY_OF_WEEK] - SUNDAY) % 7;
            fields[DATE] += (day < 0 ? day + 7 : day) + SUNDAY - computedDayOfWeek;
        }
    }
}
