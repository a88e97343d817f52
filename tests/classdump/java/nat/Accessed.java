package nat;

// Fields for the natives' accessors: a boolean at byte offset 13 (two ints,
// then a byte before it) and static slots of each width, a word or two
// each in the order declared (from byte 48 of the class record).
public class Accessed {
    int first;
    int second;
    byte small;
    boolean flag;

    static boolean sflag;
    static byte sbyte;
    static char schar;
    static short sshort;
    static int sint;
    static float sfloat;
    static long slong;
    static double sdouble;
    static Object sref;
}

// A subclass, its fields behind the superclass's 14 bytes rounded to 16;
// the statics of Accessed are not its own.
class AccessedChild extends Accessed {
    long wide;
    Object ref;
}
