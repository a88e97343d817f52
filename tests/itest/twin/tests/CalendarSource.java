package tests;

import java.util.Calendar;
import java.util.Date;
import java.util.TimeZone;

/** HotSpot's twin of the library's calendar source: Calendar.getInstance in GMT. */
final class CalendarSource {
    private CalendarSource() {
    }

    static Calendar at(long millis) {
        Calendar c = Calendar.getInstance(TimeZone.getTimeZone("GMT"));
        c.setTime(new Date(millis));
        return c;
    }
}
