package interp;

/** Static methods that the interpreter tests run one by one. */
public class Ops {
    static int counter;
    static long total;
    static double scale;
    static Object last;

    public static int idiv(int a, int b) { return a / b; }
    public static int irem(int a, int b) { return a % b; }
    public static long ldiv(long a, long b) { return a / b; }
    public static long lrem(long a, long b) { return a % b; }
    public static int ishl(int a, int n) { return a << n; }
    public static int ishr(int a, int n) { return a >> n; }
    public static int iushr(int a, int n) { return a >>> n; }
    public static long lshl(long a, int n) { return a << n; }
    public static long lshr(long a, int n) { return a >> n; }
    public static long lushr(long a, int n) { return a >>> n; }
    public static int i2b(int a) { return (byte) a; }
    public static int i2c(int a) { return (char) a; }
    public static int i2s(int a) { return (short) a; }
    public static int lcmp(long a, long b) { return a < b ? -1 : (a == b ? 0 : 1); }
    public static long mix(int a, long b) { long c = a * b; c -= b; c ^= 0x55L; return -c + (c | 3) + (c & 12); }
    public static double dmul(double a, double b) { return a * b + 1.0; }
    public static int d2i(double a) { return (int) a; }
    public static long d2l(double a) { return (long) a; }

    public static int table(int k) {
        switch (k) {
            case -1: return 10;
            case 0: return 11;
            case 1: return 12;
            case 2: return 13;
            default: return 99;
        }
    }
    public static int table1(int k) { int x = 0; switch (k) { case 5: x = 1; break; case 6: x = 2; break; case 7: x = 3; break; default: x = 4; } return x; }
    public static int table2(int k) { switch (-k) { case -5: return 1; case -6: return 2; case -7: return 3; } return 4; }
    public static int table3(int k) { switch (k + 10) { case 15: return 1; case 16: return 2; case 17: return 3; } return 4; }
    public static int lookup(int k) {
        switch (k) {
            case -100000: return 1;
            case 7: return 2;
            case 100000: return 3;
            default: return 0;
        }
    }

    public static int fields() {
        Holder h = new Holder();
        h.b = (byte) 200; h.s = (short) 40000; h.c = (char) 65535; h.i = -5; h.j = 1L << 40; h.z = true;
        h.d = 2.5; h.f = 1.5f; h.o = h;
        counter = 3; total = h.j + 1; scale = h.d; last = h.o;
        int r = h.b + h.s + h.c + h.i + (int) (h.j >> 40) + (h.z ? 1 : 0) + (int) h.d + (int) h.f;
        return r + counter + (int) (total >> 40) + (int) scale + (last == h ? 1 : 0);
    }

    public static long arrays() {
        int[] ia = new int[3]; long[] la = new long[2]; byte[] ba = new byte[2]; char[] ca = new char[2];
        short[] sa = new short[2]; boolean[] za = new boolean[2]; double[] da = new double[2]; float[] fa = new float[2];
        Object[] oa = new String[3]; int[][] m = new int[2][3];
        ia[2] = 7; la[1] = -3L; ba[0] = (byte) 255; ca[1] = (char) 65000; sa[0] = (short) -7; za[1] = true;
        da[0] = 4.0; fa[1] = 2.0f; oa[2] = "x"; m[1][2] = 9;
        return ia[2] + la[1] + ba[0] + ca[1] + sa[0] + (za[1] ? 1 : 0) + (long) da[0] + (long) fa[1]
            + (oa[2] == "x" ? 100 : 0) + m[1][2] + ia.length + m[0].length + oa.length;
    }

    public static int calls(int n) {
        Shape a = new Square(n); Shape b = new Circle(n); Named c = new Square(1);
        return a.area() + b.area() + c.name() + new Square(2).base() + Square.twice(n) + a.getSide();
    }

    public static int catchNpe() {
        try { Holder h = null; return h.i; } catch (NullPointerException e) { return 1; }
    }
    public static int catchBounds(int i) {
        int[] a = new int[4];
        try { return a[i]; } catch (ArrayIndexOutOfBoundsException e) { return -1; }
    }
    public static int catchDiv(int a) {
        try { return 10 / a; } catch (ArithmeticException e) { return -7; }
    }
    public static int nested(int k) {
        int r = 0;
        try {
            try { r += 1; if (k > 0) throw new RuntimeException(); r += 10; }
            finally { r += 100; }
        } catch (RuntimeException e) { r += 1000; }
        finally { r += 10000; }
        return r;
    }
    public static int across(int depth) {
        try { return thrower(depth); } catch (ArrayStoreException e) { return -depth; }
    }
    static int thrower(int depth) { if (depth == 0) throw new ArrayStoreException(); return thrower(depth - 1) + 1; }
    public static void uncaught() { throw new IllegalArgumentException(); }
    public static int castFails(Object o) { String s = (String) o; return s == null ? 0 : 1; }
    public static int instance(Object o) { return o instanceof String ? 1 : (o instanceof Shape ? 2 : 0); }

    public static int locals0(int a) { return a * 3; }
    public static int locals1(int a) { int x = a + 1; return x * 3; }
    public static int locals2(int a) { int x = a + 1; int y = x + 2; return x * y; }
    public static int locals3(int a) { int x = a + 1; int y = x + 2; int z = y + 3; return x * y - z; }
    public static int locals4(int a) { int x = a + 1; int y = x + 2; int z = y + 3; int v = z * 2; return x * y - z + v; }
    public static int locals5(int a) { int x = a + 1; int y = x + 2; int z = y + 3; int v = z * 2; int u = v - x; return x * y - z + v * u; }

    public static double sqrt(double d) { return Math.sqrt(d); }
    public static double floor(double d) { return Math.floor(d); }
    public static long dbits(double d) { return Double.doubleToLongBits(d); }
    public static int fbits(int bits) { return Float.floatToIntBits(Float.intBitsToFloat(bits)); }
    public static int index(int ch, int from) { return "abcabc".indexOf(ch, from); }
    public static int direct(int x) { return Probe.twice(x) + 1; }
    public static int loop(int n) { int s = 0; for (int i = 0; i < n; i++) { s += i; } return s; }

    public static int deep(int n) { return n == 0 ? Probe.nativeDepth() : deep(n - 1); }
}

class Holder {
    byte b; short s; char c; int i; long j; boolean z; double d; float f; Object o;
}

interface Named { int name(); }

abstract class Shape {
    int side;
    Shape(int s) { side = s; }
    abstract int area();
    int getSide() { return side; }
}

class Square extends Shape implements Named {
    Square(int s) { super(s); }
    int area() { return side * side; }
    public int name() { return 5; }
    int base() { return super.getSide() * 10; }
    static int twice(int n) { return 2 * n; }
}

class Circle extends Shape {
    Circle(int s) { super(s); }
    int area() { return 3 * side * side; }
}

class Probe {
    static native int nativeDepth();
    static native int twice(int x);
}
