package tests;

import com.sun.cldc.util.j2me.CalendarImpl;
import java.util.Calendar;
import java.util.Date;

/**
 * A calendar in GMT at an instant: the library's own calendar class, as
 * Calendar.getInstance (which needs the clock) would give it. Its twin in
 * twin/ takes HotSpot's Calendar.getInstance in GMT.
 */
final class CalendarSource {
    private CalendarSource() {
    }

    static Calendar at(long millis) {
        Calendar c = new CalendarImpl();
        c.setTime(new Date(millis));
        return c;
    }
}
