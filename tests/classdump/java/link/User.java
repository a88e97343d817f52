package link;

// Field references of every kind the resolver checks.
public class User {
    int sum(Holder h) {
        Holder.counter = Holder.LIMIT;
        return h.value + (int) h.wide + (h.ref == null ? 0 : 1);
    }

    int late(Lazy l) {
        return l.seen;
    }
}
