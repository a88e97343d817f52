package tests;

import java.util.Random;

/**
 * Random of fixed seeds: nextInt, nextInt(n) for powers of two and for
 * bounds that make the generator retry, nextLong, nextFloat and nextDouble
 * as bits, setSeed restarting the sequence, a subclass over next(bits),
 * the refused bounds, and two generators seeded at once from the clock.
 */
public final class Randoms {
    private Randoms() {
    }

    private static final long[] SEEDS = { 0L, 1L, 42L, -1L, 0x5DEECE66DL, Long.MIN_VALUE, Long.MAX_VALUE };

    private static final int[] BOUNDS = {
        1, 2, 3, 7, 10, 16, 100, 1 << 30, 0x40000001, 0x55555555, Integer.MAX_VALUE
    };

    /** Exposes the generator's bits. */
    private static final class Bits extends Random {
        Bits(long seed) {
            super(seed);
        }

        int bits(int n) {
            return next(n);
        }
    }

    public static void main(String[] args) {
        for (int k = 0; k < SEEDS.length; k++) {
            Random r = new Random(SEEDS[k]);
            for (int i = 0; i < 5; i++) {
                Line.at("nextInt", k);
                Out.printInt(r.nextInt());
                Out.newLine();
            }
            for (int b = 0; b < BOUNDS.length; b++) {
                Line.at("nextInt bound", k);
                Out.printInt(BOUNDS[b]);
                for (int i = 0; i < 8; i++) {
                    Out.printChar(' ');
                    Out.printInt(r.nextInt(BOUNDS[b]));
                }
                Out.newLine();
            }
            for (int i = 0; i < 4; i++) {
                Line.at("nextLong", k);
                Out.printLong(r.nextLong());
                Out.newLine();
                Line.at("nextFloat", k);
                Out.printInt(Float.floatToIntBits(r.nextFloat()));
                Out.newLine();
                Line.at("nextDouble", k);
                Out.printLong(Double.doubleToLongBits(r.nextDouble()));
                Out.newLine();
            }
            r.setSeed(SEEDS[k]);
            Line.at("after setSeed", k);
            Out.printInt(r.nextInt());
            Out.newLine();
        }
        Bits bits = new Bits(7);
        for (int n = 1; n <= 32; n++) {
            Line.at("next", n);
            Out.printInt(bits.bits(n));
            Out.newLine();
        }
        int[] refused = { 0, -1, Integer.MIN_VALUE };
        for (int k = 0; k < refused.length; k++) {
            Line.at("refused bound", refused[k]);
            try {
                Out.printInt(new Random(1).nextInt(refused[k]));
            } catch (IllegalArgumentException e) {
                Out.printString("IllegalArgumentException");
            }
            Out.newLine();
        }
        long sum = 0;
        Random r = new Random(12345);
        for (int i = 0; i < 10000; i++) {
            sum = sum * 31 + r.nextInt(1000) + r.nextLong();
        }
        Line.l("10000 draws", sum);
        Line.z("new Random() twice differ", new Random().nextLong() != new Random().nextLong());
    }
}
