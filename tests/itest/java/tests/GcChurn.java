package tests;

/**
 * Allocates far more than a small heap holds (tests.GcChurn ROUNDS), so
 * that the collector runs young and full collections while every kind of
 * object moves: arrays of every element type, strings made from char
 * arrays, arrays of more dimensions, cells whose long and double fields
 * must survive each move, an old ring whose elements are replaced by
 * young cells (the write barrier), recursion that allocates at every
 * depth, monitors held while allocating and exceptions thrown while
 * allocating.
 *
 * Every round folds what it reads back into one checksum per part; the
 * program prints each part's checksum and, last, the sum of them as
 * "checksum N". Nothing depends on identity hashes, table order or time.
 * Rounds alternate between phases that keep few of their objects (young
 * survivors are reused) and phases that keep many (young survivors are
 * tenured), and the tenured objects that later die fill the old
 * generation until a full collection runs.
 */
public final class GcChurn {
    // The ring of the old structure, and how many rounds a phase lasts.
    private static final int RING = 48;
    private static final int PHASE = 120;
    // Rounds that keep many cells keep them in this window.
    private static final int KEEP = 96;

    private static long arraysSum;
    private static long stringsSum;
    private static long multiSum;
    private static long cellsSum;
    private static long ringSum;
    private static long recursionSum;
    private static long monitorSum;
    private static long exceptionSum;

    private static final Object LOCK = new Object();

    /** A cell whose wide fields are copied through every move. */
    static final class Cell {
        long wide;
        double real;
        float single;
        int round;
        Cell next;
        int[] payload;

        Cell(int round, int length) {
            this.round = round;
            this.wide = 0x0123456789abcdefL ^ ((long) round << 29) ^ round;
            this.real = round * 1.5 + 0.25;
            this.single = round * 0.5f - 3.0f;
            this.payload = new int[length];
            for (int i = 0; i < length; i++) {
                payload[i] = round * 7 + i;
            }
        }

        long fold() {
            long h = wide;
            h = h * 31 + Double.doubleToLongBits(real);
            h = h * 31 + Float.floatToIntBits(single);
            h = h * 31 + round;
            for (int i = 0; i < payload.length; i++) {
                h = h * 31 + payload[i];
            }
            return h;
        }
    }

    /** An exception thrown while its payload is being allocated. */
    static final class ChurnException extends RuntimeException {
        final long[] payload;

        ChurnException(long[] payload) {
            this.payload = payload;
        }
    }

    private GcChurn() {
    }

    public static void main(String[] args) {
        int rounds = args.length > 0 ? Line.number(args[0]) : 300;
        Cell[] ring = new Cell[RING];
        Cell[] keep = new Cell[KEEP];
        for (int round = 0; round < rounds; round++) {
            boolean keeping = (round / PHASE) % 2 == 1;
            arrays(round);
            strings(round);
            multiArrays(round);
            Cell cell = cells(round, keeping ? 24 : 4);
            if (keeping) {
                keep[round % KEEP] = cell;
            } else if (round % KEEP == 0) {
                // Drops the kept cells, now old: garbage for a full collection.
                keep = new Cell[KEEP];
            }
            ring(ring, round);
            if (round % 25 == 0) {
                recursionSum = recursionSum * 31 + recurse(round, 150 + round % 100);
            } else {
                recursionSum = recursionSum * 31 + recurse(round, 1 + round % 12);
            }
            monitors(round);
            exceptions(round);
        }
        for (int i = 0; i < KEEP; i++) {
            if (keep[i] != null) {
                cellsSum = cellsSum * 31 + keep[i].fold();
            }
        }
        for (int i = 0; i < RING; i++) {
            ringSum = ringSum * 31 + chainSum(ring[i]);
        }
        Line.l("arrays", arraysSum);
        Line.l("strings", stringsSum);
        Line.l("multianewarray", multiSum);
        Line.l("cells", cellsSum);
        Line.l("ring", ringSum);
        Line.l("recursion", recursionSum);
        Line.l("monitors", monitorSum);
        Line.l("exceptions", exceptionSum);
        Line.l("checksum", arraysSum + stringsSum + multiSum + cellsSum + ringSum + recursionSum + monitorSum
                + exceptionSum);
    }

    // One array of every element type, each filled, then read back after
    // the others were allocated.
    private static void arrays(int round) {
        int n = 3 + round % 29;
        boolean[] z = new boolean[n];
        byte[] b = new byte[n];
        char[] c = new char[n];
        short[] s = new short[n];
        int[] i = new int[n];
        long[] l = new long[n];
        float[] f = new float[n];
        double[] d = new double[n];
        Object[] o = new Object[n];
        for (int k = 0; k < n; k++) {
            z[k] = (k + round) % 3 == 0;
            b[k] = (byte) (k * 37 + round);
            c[k] = (char) (0x3a0 + k + round);
            s[k] = (short) (k * 1021 - round);
            i[k] = k * 65599 + round;
            l[k] = ((long) k << 40) + round;
            f[k] = k * 0.75f + round;
            d[k] = k * 2.5 - round;
            o[k] = new int[] {k, round};
        }
        long h = 0;
        for (int k = 0; k < n; k++) {
            h = h * 31 + (z[k] ? 1 : 2);
            h = h * 31 + b[k];
            h = h * 31 + c[k];
            h = h * 31 + s[k];
            h = h * 31 + i[k];
            h = h * 31 + l[k];
            h = h * 31 + Float.floatToIntBits(f[k]);
            h = h * 31 + Double.doubleToLongBits(d[k]);
            int[] pair = (int[]) o[k];
            h = h * 31 + pair[0] * 3 + pair[1];
        }
        arraysSum = arraysSum * 31 + h;
    }

    // Strings built from char arrays in three ways, compared and hashed.
    private static void strings(int round) {
        int n = 4 + round % 21;
        char[] chars = new char[n];
        for (int k = 0; k < n; k++) {
            chars[k] = (char) ('a' + (k * 7 + round) % 26);
        }
        String whole = new String(chars);
        String part = new String(chars, 1, n - 2);
        String copy = String.valueOf(whole.toCharArray());
        String upper = whole.toUpperCase();
        long h = whole.hashCode();
        h = h * 31 + part.hashCode();
        h = h * 31 + (copy.equals(whole) ? 1 : 0);
        h = h * 31 + upper.hashCode();
        h = h * 31 + whole.substring(n / 2).hashCode();
        h = h * 31 + upper.indexOf(upper.charAt(n - 1));
        stringsSum = stringsSum * 31 + h;
    }

    // Rectangular and partial arrays of more dimensions.
    private static void multiArrays(int round) {
        int a = 1 + round % 4;
        int b = 2 + round % 5;
        int[][][] cube = new int[a][b][3];
        long[][] plane = new long[b][a];
        double[][] rows = new double[a][];
        Object[][] objects = new Object[2][b];
        for (int x = 0; x < a; x++) {
            rows[x] = new double[x + 1];
            for (int y = 0; y < b; y++) {
                for (int z = 0; z < 3; z++) {
                    cube[x][y][z] = x * 100 + y * 10 + z + round;
                }
                plane[y][x] = (long) round * y - x;
            }
            for (int y = 0; y <= x; y++) {
                rows[x][y] = round + y * 0.125;
            }
        }
        for (int y = 0; y < b; y++) {
            objects[y % 2][y] = plane[y];
        }
        long h = 0;
        for (int x = 0; x < a; x++) {
            for (int y = 0; y < b; y++) {
                for (int z = 0; z < 3; z++) {
                    h = h * 31 + cube[x][y][z];
                }
                h = h * 31 + plane[y][x];
            }
            for (int y = 0; y <= x; y++) {
                h = h * 31 + Double.doubleToLongBits(rows[x][y]);
            }
        }
        for (int y = 0; y < b; y++) {
            long[] line = (long[]) objects[y % 2][y];
            h = h * 31 + line.length + line[0];
        }
        multiSum = multiSum * 31 + h;
    }

    // A short chain of cells, folded after more allocation moved it.
    private static Cell cells(int round, int length) {
        Cell head = new Cell(round, length);
        head.next = new Cell(round + 1, 2);
        head.next.next = new Cell(round + 2, 1);
        int[] filler = new int[16 + round % 48];
        filler[filler.length - 1] = round;
        cellsSum = cellsSum * 31 + head.fold() + head.next.fold() + head.next.next.fold() + filler[filler.length - 1];
        return head;
    }

    // The ring is old after the first collections; each round stores a
    // young chain into it, which only the remembered set keeps.
    private static void ring(Cell[] ring, int round) {
        int slot = round % RING;
        Cell fresh = new Cell(round, 3);
        fresh.next = ring[slot] != null && round % 3 == 0 ? ring[slot] : null;
        if (fresh.next != null) {
            fresh.next.next = null;
        }
        ring[slot] = fresh;
        ringSum = ringSum * 31 + chainSum(ring[(round * 7) % RING]);
    }

    private static long chainSum(Cell cell) {
        long h = 0;
        for (Cell c = cell; c != null; c = c.next) {
            h = h * 31 + c.fold();
        }
        return h;
    }

    // Allocates at every depth and folds each depth's array on the way
    // back, after the deeper calls moved it.
    private static long recurse(int round, int depth) {
        long[] mine = new long[2 + depth % 5];
        mine[0] = (long) round * depth;
        mine[mine.length - 1] = depth;
        long below = depth > 1 ? recurse(round, depth - 1) : 0;
        return below * 31 + mine[0] + mine[mine.length - 1] + mine.length;
    }

    // Monitors held across allocations: a wait-free notify needs the
    // monitor, which must follow its object through every move.
    private static void monitors(int round) {
        Object mine = new Object();
        long h = 0;
        synchronized (LOCK) {
            synchronized (mine) {
                for (int k = 0; k < 4; k++) {
                    int[] block = new int[8 + k * round % 32];
                    block[0] = k + round;
                    h = h * 31 + block[0] + block.length;
                    mine.notify();
                    LOCK.notifyAll();
                }
                h = h * 31 + nested(mine, round);
            }
            LOCK.notify();
        }
        monitorSum = monitorSum * 31 + h;
    }

    private static synchronized long nested(Object mine, int round) {
        synchronized (mine) {
            char[] text = new char[5 + round % 7];
            text[0] = 'x';
            mine.notify();
            return new String(text, 0, 1).hashCode() + text.length;
        }
    }

    // Exceptions raised by allocation itself and thrown from deep inside
    // an allocating recursion, with their payloads read in the handler.
    private static void exceptions(int round) {
        long h = 0;
        try {
            int[] bad = new int[round % 5 - 5];
            h = h * 31 + bad.length;
        } catch (NegativeArraySizeException e) {
            h = h * 31 + e.getClass().getName().hashCode();
        }
        try {
            Object[][] bad = new Object[2][round % 3 - 3];
            h = h * 31 + bad.length;
        } catch (NegativeArraySizeException e) {
            h = h * 31 + 17;
        }
        try {
            int[] small = new int[1 + round % 3];
            small[small.length] = round;
        } catch (ArrayIndexOutOfBoundsException e) {
            h = h * 31 + e.getClass().getName().length();
        }
        if (round % 4 == 0) {
            try {
                throwDeep(round, 10 + round % 30);
            } catch (ChurnException e) {
                for (int k = 0; k < e.payload.length; k++) {
                    h = h * 31 + e.payload[k];
                }
            }
        }
        try {
            synchronized (LOCK) {
                Object[] holder = new Object[3];
                holder[0] = new ChurnException(new long[] {round});
                throw (ChurnException) holder[0];
            }
        } catch (ChurnException e) {
            h = h * 31 + e.payload[0];
        }
        exceptionSum = exceptionSum * 31 + h;
    }

    private static int throwDeep(int round, int depth) {
        int[] here = new int[depth];
        if (depth == 0) {
            long[] payload = new long[4];
            for (int k = 0; k < payload.length; k++) {
                payload[k] = ((long) round << 32) + k;
            }
            throw new ChurnException(payload);
        }
        return throwDeep(round, depth - 1) + here.length;
    }
}
