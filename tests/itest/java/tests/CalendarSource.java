package tests;

import java.util.Calendar;
import java.util.Date;
import java.util.TimeZone;

/** A calendar in GMT at an instant, as Calendar.getInstance gives it. */
final class CalendarSource {
    private CalendarSource() {
    }

    static Calendar at(long millis) {
        Calendar c = Calendar.getInstance(TimeZone.getTimeZone("GMT"));
        c.setTime(new Date(millis));
        return c;
    }
}
