package app;

// Instance and static fields of every type, and arrays of them.
public class Fields {
    static boolean sz;
    static byte sb;
    static char sc;
    static short ss;
    static int si;
    static long sl;
    static float sf;
    static double sd;
    static Object so;
    static int[] sa = new int[3];

    boolean z;
    byte b;
    char c;
    short s;
    int i;
    long l;
    float f;
    double d;
    String r;
    long[] la;
    double[] da;
    byte[] ba;
    char[] ca;
    short[] sha;
    boolean[] za;
    float[] fa;
    Object[] oa;

    void fill(int k) {
        z = k < 0;
        b = (byte) (k * 50);
        c = (char) ('a' - k);
        s = (short) (k * 1000);
        i = k * 7;
        l = 5000000000L * k;
        f = 1.5f * k;
        d = 2.25 * k;
        r = "field";
        la = new long[] { l, -l };
        da = new double[] { d, d * d };
        ba = new byte[] { b, 1 };
        ca = new char[] { c, 'x' };
        sha = new short[] { s, 2 };
        za = new boolean[] { z, !z };
        fa = new float[] { f, 0.5f };
        oa = new Object[] { r, this, null };
        sz = !z;
        sb = (byte) (b + 1);
        sc = (char) (c + 1);
        ss = (short) (s + 1);
        si = i + 1;
        sl = l + 1;
        sf = f + 1;
        sd = d + 1;
        so = oa;
        sa[2] = 9;
    }

    int sum() {
        int t = (z ? 1 : 0) + b + c + s + i + (int) (l / 1000000) + (int) f + (int) d;
        t += ba[1] + ca[1] + sha[1] + (za[1] ? 100 : 0) + (int) (fa[1] * 4) + (oa[1] == this ? 1000 : 0);
        return t + (oa[2] == null ? 10000 : 0);
    }

    static int staticSum() {
        return (sz ? 1 : 0) + sb + sc + ss + si + (int) (sl % 1000) + (int) sf + (int) sd + ((Object[]) so).length
                + sa[2];
    }

    long wide() {
        return la[0] - la[1] + (long) (da[1] * 16);
    }

    int scaled() {
        return (int) (d * 1000) + (int) (sd * 100);
    }
}
