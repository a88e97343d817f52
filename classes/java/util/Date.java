package java.util;

import com.sun.cldc.util.j2me.CalendarImpl;

/**
 * An instant: milliseconds since 1970-01-01T00:00:00 GMT.
 */
public class Date {
    private long millis;

    /** The current time. */
    public Date() {
        this(System.currentTimeMillis());
    }

    public Date(long date) {
        millis = date;
    }

    public long getTime() {
        return millis;
    }

    public void setTime(long time) {
        millis = time;
    }

    public boolean equals(Object obj) {
        return obj instanceof Date && ((Date) obj).millis == millis;
    }

    public int hashCode() {
        return (int) millis ^ (int) (millis >>> 32);
    }

    /** "EEE MMM dd HH:mm:ss zzz yyyy" in the default zone. */
    public String toString() {
        return CalendarImpl.toString(millis);
    }
}
