package java.util;

/**
 * Pseudo-random numbers from a 48-bit linear congruential generator: seed =
 * (seed * 0x5DEECE66D + 0xB) mod 2^48, whose high bits are the results.
 */
public class Random {
    private static final long MULTIPLIER = 0x5DEECE66DL;
    private static final long ADDEND = 0xBL;
    private static final long MASK = (1L << 48) - 1;

    /** Stepped for each seed of the clock, so that Randoms made at once differ. */
    private static long seedUniquifier = 8682522807148012L;

    private long seed;

    /** A generator seeded from the clock. */
    public Random() {
        this(nextSeedUniquifier() ^ System.currentTimeMillis());
    }

    private static synchronized long nextSeedUniquifier() {
        seedUniquifier *= 1181783497276652981L;
        return seedUniquifier;
    }

    public Random(long seed) {
        setSeed(seed);
    }

    public synchronized void setSeed(long seed) {
        this.seed = (seed ^ MULTIPLIER) & MASK;
    }

    /** The next bits (1 to 32) high bits of the generator's state. */
    protected synchronized int next(int bits) {
        seed = (seed * MULTIPLIER + ADDEND) & MASK;
        return (int) (seed >>> (48 - bits));
    }

    public int nextInt() {
        return next(32);
    }

    /**
     * A value from 0 up to n, each equally likely: the high bits for a
     * power of two, else 31 bits retried where they fall in the incomplete
     * last period.
     */
    public int nextInt(int n) {
        if (n <= 0) {
            throw new IllegalArgumentException("n must be positive");
        }
        if ((n & -n) == n) {
            return (int) ((n * (long) next(31)) >> 31);
        }
        int bits;
        int val;
        do {
            bits = next(31);
            val = bits % n;
        } while (bits - val + (n - 1) < 0);
        return val;
    }

    public long nextLong() {
        return ((long) next(32) << 32) + next(32);
    }

    /** 24 bits as a fraction in [0, 1). */
    public float nextFloat() {
        return next(24) / ((float) (1 << 24));
    }

    /** 53 bits as a fraction in [0, 1). */
    public double nextDouble() {
        return (((long) next(26) << 27) + next(27)) / (double) (1L << 53);
    }
}
