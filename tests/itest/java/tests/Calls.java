package tests;

/**
 * Virtual, interface, super, private and static calls with arguments of
 * every size; getters entered through accessor entries; String.indexOf and
 * String.compareTo at their edges.
 */
public final class Calls {
    interface Shape {
        int area();

        long scaled(long factor, int shift);
    }

    static class Base implements Shape {
        int side;
        long big = 0x100000001L;
        Object ref;

        Base(int side) {
            this.side = side;
        }

        public int area() {
            return side * side;
        }

        public long scaled(long factor, int shift) {
            return (factor * area()) << shift;
        }

        int getSide() {
            return side;
        }

        long getBig() {
            return big;
        }

        Object getRef() {
            return ref;
        }

        static int twice(int x) {
            return x * 2;
        }

        private int hidden() {
            return -side;
        }

        int callHidden() {
            return hidden();
        }

        String name() {
            return "Base";
        }
    }

    static class Square extends Base {
        Square(int side) {
            super(side);
        }

        public int area() {
            return super.area() + 1;
        }

        String name() {
            return "Square";
        }

        String superName() {
            return super.name();
        }

        private int hidden() {
            return 1000;
        }
    }

    static final class Circle implements Shape {
        public int area() {
            return 3;
        }

        public long scaled(long factor, int shift) {
            return factor >> shift;
        }
    }

    private Calls() {
    }

    public static void main(String[] args) {
        calls();
        manyArguments();
        indexOf();
        compareTo();
    }

    private static void calls() {
        Shape[] shapes = {new Base(3), new Square(3), new Circle()};
        for (int k = 0; k < shapes.length; k++) {
            Line.at("shape", k);
            Out.printInt(shapes[k].area());
            Out.printChar(' ');
            Out.printLong(shapes[k].scaled(0x100000000L, 3));
            Out.newLine();
        }
        Base b = new Base(5);
        Base sq = new Square(6);
        Line.i("virtual", sq.area());
        Line.s("name", sq.name());
        Line.s("super name", ((Square) sq).superName());
        Line.i("private", sq.callHidden());
        Line.i("static", Base.twice(-21));
        Line.i("getter int", sq.getSide());
        Line.l("getter long", b.getBig());
        Line.z("getter ref null", b.getRef() == null);
        b.ref = sq;
        Line.z("getter ref", b.getRef() == sq);
        int sum = 0;
        for (int k = 0; k < 1000; k++) {
            sum += b.getSide();
        }
        Line.i("getter loop", sum);
        Line.i("recursion", fib(15));
    }

    private static int fib(int n) {
        return n < 2 ? n : fib(n - 1) + fib(n - 2);
    }

    // Ints, longs, doubles, floats and references mixed, in more words than
    // the fixed entries take.
    private static long mix(int a, long b, double c, float d, Object e, int f, long g) {
        return a + b + (long) c + (long) d + (e == null ? 0 : 1) + f + g;
    }

    private long instanceMix(long a, int b, double c) {
        return a - b + (long) c;
    }

    private static void manyArguments() {
        Line.l("mix", mix(1, 0x100000000L, 1e10, 2.5f, "x", -3, -0x200000000L));
        Line.l("instance mix", new Calls().instanceMix(0x7fffffffffffffffL, -1, -2.0));
    }

    private static void indexOf() {
        String s = "abcabc\u0000\uffff";
        int[] chars = {'a', 'c', 'z', 0, 0xffff, 0x10000, -1, 'a' + 0x10000};
        int[] froms = {0x80000000, -1, 0, 1, 3, 5, 7, 8, 9, 0x7fffffff};
        for (int c = 0; c < chars.length; c++) {
            Line.at("indexOf", chars[c]);
            for (int f = 0; f < froms.length; f++) {
                Out.printInt(s.indexOf(chars[c], froms[f]));
                Out.printChar(' ');
            }
            Out.newLine();
        }
        Line.i("indexOf empty", "".indexOf('a', 0));
    }

    private static void compareTo() {
        char[] high = {0xffff};
        char[] low = {0};
        String[] s = {"", "a", "ab", "abc", "abd", "b", "B", new String(high), new String(low), "ab\u0000"};
        for (int a = 0; a < s.length; a++) {
            Line.at("compareTo", a);
            for (int b = 0; b < s.length; b++) {
                Out.printInt(s[a].compareTo(s[b]));
                Out.printChar(' ');
            }
            Out.newLine();
        }
        Line.i("compareTo copy", new String("same").compareTo("same"));
        try {
            Line.i("no exception", "a".compareTo(null));
        } catch (NullPointerException e) {
            Line.s("compareTo null", "NullPointerException");
        }
    }
}
