package java.util;

import com.sun.cldc.util.j2me.TimeZoneImpl;

/**
 * A time zone: its offset from GMT and daylight-saving rule. The system
 * knows "GMT" and "UTC"; any other ID, and the default, give GMT.
 */
public abstract class TimeZone {
    public TimeZone() {
    }

    public abstract int getOffset(int era, int year, int month, int day, int dayOfWeek, int millis);

    public abstract int getRawOffset();

    public abstract boolean useDaylightTime();

    /** The ID of this zone; null for a zone that does not name itself. */
    public String getID() {
        return null;
    }

    /** The zone of ID, or GMT when the system does not know ID. */
    public static synchronized TimeZone getTimeZone(String ID) {
        if (ID == null) {
            throw new NullPointerException();
        }
        TimeZone zone = TimeZoneImpl.forID(ID);
        return zone != null ? zone : TimeZoneImpl.forID("GMT");
    }

    public static synchronized TimeZone getDefault() {
        return TimeZoneImpl.forID("GMT");
    }

    public static String[] getAvailableIDs() {
        return TimeZoneImpl.availableIDs();
    }
}
