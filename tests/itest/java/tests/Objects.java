package tests;

/**
 * Instance and static fields of every type, the order of class
 * initialisation, arrays of every element type (one and more dimensions,
 * with a negative count in the last dimension) and System.arraycopy where
 * it copies inline.
 */
public final class Objects {
    boolean z;
    byte b;
    char c;
    short s;
    int i;
    long l;
    float f;
    double d;
    Object o;

    static boolean sz;
    static byte sb;
    static char sc;
    static short ss;
    static int si;
    static long sl;
    static float sf;
    static double sd;
    static Object so;

    private Objects() {
    }

    public static void main(String[] args) {
        fields();
        statics();
        initialisation();
        arrays();
        multiArrays();
        copies();
    }

    private static void fields() {
        Objects a = new Objects();
        Line.z("default z", a.z);
        Line.i("default b", a.b);
        Line.i("default c", a.c);
        Line.i("default s", a.s);
        Line.i("default i", a.i);
        Line.l("default l", a.l);
        Line.f("default f", a.f);
        Line.d("default d", a.d);
        Line.z("default o null", a.o == null);
        a.z = true;
        a.b = (byte) 0x80;
        a.c = (char) 0xffff;
        a.s = (short) 0x8000;
        a.i = 0x80000000;
        a.l = 0x8000000000000001L;
        a.f = Float.intBitsToFloat(0x80000001);
        a.d = Double.longBitsToDouble(0xfff0000000000000L);
        a.o = a;
        Line.z("z", a.z);
        Line.i("b", a.b);
        Line.i("c", a.c);
        Line.i("s", a.s);
        Line.i("i", a.i);
        Line.l("l", a.l);
        Line.f("f", a.f);
        Line.d("d", a.d);
        Line.z("o self", a.o == a);
        a.l += 0xffffffffL;
        a.d *= -1;
        a.b++;
        a.c++;
        a.s--;
        Line.l("l+", a.l);
        Line.d("d neg", a.d);
        Line.i("b inc", a.b);
        Line.i("c wrap", a.c);
        Line.i("s dec", a.s);
    }

    private static void statics() {
        sz = true;
        sb = (byte) 0x7f;
        sc = 'A';
        ss = (short) 0x7fff;
        si = -1;
        sl = 0x7fffffffffffffffL;
        sf = Float.intBitsToFloat(0x7f800000);
        sd = Double.longBitsToDouble(0x0000000000000001L);
        so = "static";
        sb++;
        ss++;
        sl++;
        si <<= 31;
        Line.z("sz", sz);
        Line.i("sb", sb);
        Line.c("sc", sc);
        Line.i("ss", ss);
        Line.i("si", si);
        Line.l("sl", sl);
        Line.f("sf", sf);
        Line.d("sd", sd);
        Line.s("so", (String) so);
    }

    private static void initialisation() {
        Line.s("init", "start");
        // A constant of an interface or class is inlined: no initialisation.
        Line.i("constant", Init.Child.CONSTANT);
        Line.s("init", "after constant");
        Line.i("child field", Init.Child.value);
        Line.i("parent field", Init.Parent.value);
        Init.Other.touch();
        Init.Other.touch();
    }

    private static void arrays() {
        boolean[] za = new boolean[3];
        byte[] ba = new byte[3];
        char[] ca = new char[3];
        short[] sa = new short[3];
        int[] ia = new int[3];
        long[] la = new long[3];
        float[] fa = new float[3];
        double[] da = new double[3];
        Object[] oa = new Object[3];
        String[] stra = new String[2];
        za[2] = true;
        ba[0] = (byte) 200;
        ba[2] = -1;
        ca[1] = (char) 0xfffe;
        sa[2] = (short) 40000;
        ia[0] = 0x80000000;
        la[1] = 0x8000000000000000L;
        la[2] = -2L;
        fa[2] = Float.intBitsToFloat(0xff800000);
        da[0] = Double.longBitsToDouble(0x3ff0000000000001L);
        oa[1] = stra;
        stra[1] = "str";
        for (int k = 0; k < 3; k++) {
            Line.at("array", k);
            Out.printBoolean(za[k]);
            Out.printChar(' ');
            Out.printInt(ba[k]);
            Out.printChar(' ');
            Out.printInt(ca[k]);
            Out.printChar(' ');
            Out.printInt(sa[k]);
            Out.printChar(' ');
            Out.printInt(ia[k]);
            Out.printChar(' ');
            Out.printLong(la[k]);
            Out.printChar(' ');
            Out.printInt(Float.floatToIntBits(fa[k]));
            Out.printChar(' ');
            Out.printLong(Double.doubleToLongBits(da[k]));
            Out.printChar(' ');
            Out.printBoolean(oa[k] == null);
            Out.newLine();
        }
        Line.s("nested", ((String[]) oa[1])[1]);
        Line.i("lengths", za.length + ba.length + ca.length + sa.length + ia.length
                + la.length + fa.length + da.length + oa.length + stra.length);
        Line.i("empty", new long[0].length);
        ba[1] += 100;
        ba[1] += 100;
        Line.i("byte wrap", ba[1]);
    }

    private static void multiArrays() {
        int[][] m = new int[3][4];
        for (int r = 0; r < 3; r++) {
            for (int k = 0; k < 4; k++) {
                m[r][k] = r * 10 + k;
            }
        }
        Line.i("m[2][3]", m[2][3]);
        Line.i("m rows", m.length);
        Line.i("m cols", m[1].length);
        long[][][] cube = new long[2][3][2];
        cube[1][2][1] = -7L;
        Line.l("cube", cube[1][2][1] + cube[0][0][0]);
        Object[][] partial = new Object[2][];
        Line.z("partial", partial[1] == null);
        int[][] none = new int[0][5];
        Line.i("none", none.length);
        int[][] zeroes = new int[2][0];
        Line.i("zero cols", zeroes[1].length);
        try {
            int[][] bad = new int[0][-1];
            Line.i("no exception", bad.length);
        } catch (NegativeArraySizeException e) {
            Line.s("new int[0][-1]", "NegativeArraySizeException");
        }
        try {
            int[][] bad = new int[-1][0];
            Line.i("no exception", bad.length);
        } catch (NegativeArraySizeException e) {
            Line.s("new int[-1][0]", "NegativeArraySizeException");
        }
    }

    private static void copies() {
        int[] a = {1, 2, 3, 4, 5, 6};
        int[] b = new int[6];
        System.arraycopy(a, 1, b, 2, 3);
        for (int k = 0; k < b.length; k++) {
            Line.at("int copy", k);
            Out.printInt(b[k]);
            Out.newLine();
        }
        // Overlapping, towards lower indexes: the forward copy is right.
        System.arraycopy(a, 2, a, 0, 4);
        for (int k = 0; k < a.length; k++) {
            Line.at("overlap", k);
            Out.printInt(a[k]);
            Out.newLine();
        }
        long[] la = {-1L, 0x100000000L, 3L};
        long[] lb = new long[3];
        System.arraycopy(la, 0, lb, 0, 3);
        Line.l("long copy", lb[0] + lb[1] + lb[2]);
        char[] ca = {'x', 'y', 'z'};
        char[] cb = {'a', 'b', 'c', 'd'};
        System.arraycopy(ca, 1, cb, 2, 2);
        Line.s("char copy", new String(cb));
        String[] sa = {"p", "q"};
        String[] sb = new String[3];
        System.arraycopy(sa, 0, sb, 1, 2);
        Line.s("ref copy", sb[2]);
        Line.z("ref copy null", sb[0] == null);
        System.arraycopy(sa, 0, sb, 0, 0);
        Line.s("empty copy", sb[1]);
    }
}
