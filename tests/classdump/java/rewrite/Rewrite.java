package rewrite;

// Each method runs once in the rewriting test, after which its slow
// bytecodes must hold their fast forms.
public class Rewrite extends Base implements Face {
    static int count;
    static long total;
    static Object last;

    boolean z;
    byte b;
    char c;
    short s;
    int i;
    float f;
    long l;
    double d;
    Object o;

    public static Object constants() {
        Object text = "text";
        int big = 100000;
        float half = 0.5f;
        long wide = 5000000000L;
        return big + (int) half + wide > 0 ? text : null;
    }

    public static int statics() {
        count = count + 1;
        total = total + 2;
        last = "x";
        return count + (int) total + (last != null ? 1 : 0);
    }

    public static int fields() {
        Rewrite r = new Rewrite();
        r.z = true;
        r.b = 1;
        r.c = 'c';
        r.s = 2;
        r.i = 3;
        r.f = 4;
        r.l = 5;
        r.d = 6;
        r.o = r;
        return (r.z ? 1 : 0) + r.b + r.c + r.s + r.i + (int) r.f + (int) r.l + (int) r.d + (r.o == r ? 1 : 0);
    }

    public static int calls() {
        Rewrite r = new Rewrite();
        Face face = r;
        return r.open() + r.closed() + new Sealed().open() + r.hidden() + face.face() + Rewrite.count();
    }

    public static int classes(Object x) {
        Object[] array = new Rewrite[2];
        Face face = (Face) x;
        return array.length + (x instanceof Base ? 1 : 0) + face.face();
    }

    public int open() {
        return super.open() + 1;
    }

    public final int closed() {
        return 2;
    }

    private int hidden() {
        return 3;
    }

    public int face() {
        return 4;
    }

    static int count() {
        return 5;
    }
}
