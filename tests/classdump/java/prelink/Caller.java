package prelink;

// Calls and field accesses of every kind the prelink pass resolves.
public class Caller extends Base implements Named {
    public long wide;
    public int value;

    private int secret() {
        return 7;
    }

    int hidden() {
        return 8;
    }

    protected int size() {
        return super.size() + secret();
    }

    public int shape() {
        return 6;
    }

    public String name() {
        return "caller";
    }

    int direct(Base b, Sealed s) {
        return b.fixed() + s.own() + s.shape();
    }

    int virtual(Base b) {
        return b.size() + b.shape();
    }

    public int rank() {
        return 9;
    }

    int viaInterface(Named n) {
        return n.name() == null ? n.rank() : 0;
    }

    long readWide(Caller c) {
        return c.wide + c.value;
    }

    Object statics() {
        Base.counter = Base.count() + Base.counter;
        return new Sealed();
    }
}
