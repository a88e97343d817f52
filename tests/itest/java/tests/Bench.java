package tests;

/**
 * The interpreter's benchmark: loops, static and virtual calls, field
 * updates and array traffic, in rounds (tests.Bench [ROUNDS], 20 by
 * default). It prints a checksum; tests/itest/bench.py times it.
 */
public final class Bench {
    private int counter;
    private long total;

    private Bench() {
    }

    public static void main(String[] args) {
        int rounds = args.length > 0 ? Line.number(args[0]) : 20;
        Bench b = new Bench();
        int[] data = new int[1024];
        long check = 0;
        for (int r = 0; r < rounds; r++) {
            check += loops(r);
            check += b.calls(r);
            check += arrays(data, r);
        }
        Line.l("checksum", check + b.total + b.counter);
    }

    private static int loops(int seed) {
        int x = seed;
        for (int i = 0; i < 100000; i++) {
            x = x * 31 + (i ^ (x >>> 7));
            if ((x & 3) == 0) {
                x += i;
            }
        }
        return x;
    }

    private int step(int v) {
        counter++;
        total += v;
        return v & 0xff;
    }

    private static int mix(int a, int b) {
        return (a << 3) ^ b;
    }

    private int calls(int seed) {
        int acc = seed;
        for (int i = 0; i < 50000; i++) {
            acc = mix(acc, step(i + acc));
        }
        return acc;
    }

    private static long arrays(int[] data, int seed) {
        for (int i = 0; i < data.length; i++) {
            data[i] = i * seed + 1;
        }
        long sum = 0;
        for (int pass = 0; pass < 40; pass++) {
            for (int i = 1; i < data.length; i++) {
                data[i] += data[i - 1] >> 2;
                sum += data[i];
            }
        }
        return sum;
    }
}
