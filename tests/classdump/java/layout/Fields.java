package layout;

// Instance fields of every size, in an order the layout rearranges, and
// statics with and without constant values.
public class Fields {
    byte b1;
    long l1;
    short s1;
    int i1;
    boolean z1;
    char c1;
    double d1;
    Object o1;
    byte b2;
    String str;
    float f1;

    static byte sb;
    static long sl;
    static int si;
    static Object so;
    static short ss;
    static final int CONSTANT = 7;
    static final long LONG_CONSTANT = 0x123456789L;
    static final String TEXT = "fields";
}
