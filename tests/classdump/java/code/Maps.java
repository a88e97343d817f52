package code;

// Stack maps with references: a loop over an array (short entries), and a
// method of more than 15 locals (long entries).
public class Maps {
    public int count(Object o, String[] names) {
        int n = 0;
        for (int i = 0; i < names.length; i++) {
            if (names[i] == o) {
                n++;
            }
        }
        return n;
    }

    public long many(Object a, long b, Object c, int d0, int d1, int d2, int d3, int d4, int d5, int d6,
                     int d7, int d8, int d9, Object e) {
        long s = b;
        for (int i = 0; i < d0; i++) {
            s += i;
        }
        return e == c ? s : 0;
    }
}
