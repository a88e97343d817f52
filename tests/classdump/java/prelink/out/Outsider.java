package prelink.out;

import prelink.Base;

// Calls Base from another package; the tests point its call at Base's
// protected size through prelink.Caller's pool, as a merged pool would.
public class Outsider {
    int virtual(Base b) {
        return b.fixed();
    }
}
