package com.sun.cldc.util.j2me;

import java.util.TimeZone;

/**
 * The system's time zones. The named int fields hold a zone's offset and
 * daylight-saving rule in milliseconds (offsets and times of day) and in
 * the rule encoding of month (0-based), day and day of week; the zones
 * known here, GMT and UTC, keep no daylight-saving time, so every rule
 * field is 0 and the offset is rawOffset at every instant.
 */
public class TimeZoneImpl extends TimeZone {
    private static final String[] IDS = { "GMT", "UTC" };

    private final String id;
    private int rawOffset;
    private int startTime;
    private int endTime;
    private int dstSavings;
    private int startMonth;
    private int startDay;
    private int startDayOfWeek;
    private int endMonth;
    private int endDay;
    private int endDayOfWeek;

    private TimeZoneImpl(String id) {
        this.id = id;
    }

    /** A new zone of ID, or null when the system does not know ID. */
    public static TimeZone forID(String id) {
        for (int i = 0; i < IDS.length; i++) {
            if (IDS[i].equals(id)) {
                return new TimeZoneImpl(IDS[i]);
            }
        }
        return null;
    }

    /** A new array of every known ID. */
    public static String[] availableIDs() {
        String[] ids = new String[IDS.length];
        System.arraycopy(IDS, 0, ids, 0, IDS.length);
        return ids;
    }

    public String getID() {
        return id;
    }

    public int getOffset(int era, int year, int month, int day, int dayOfWeek, int millis) {
        if (era < 0 || era > 1 || month < 0 || month > 11 || day < 1 || day > 31
                || dayOfWeek < 1 || dayOfWeek > 7 || millis < 0 || millis >= 24 * 60 * 60 * 1000) {
            throw new IllegalArgumentException();
        }
        return rawOffset;
    }

    public int getRawOffset() {
        return rawOffset;
    }

    public boolean useDaylightTime() {
        return dstSavings != 0;
    }
}
