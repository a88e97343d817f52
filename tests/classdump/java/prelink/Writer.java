package prelink;

import link.Holder;

// Stores into a static of another class; the tests redirect the store to
// that class's final static.
public class Writer {
    void store() {
        Holder.counter = Holder.LIMIT;
    }
}
