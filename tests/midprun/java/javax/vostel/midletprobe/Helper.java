package javax.vostel.midletprobe;

/** A class under javax/ that a MIDlet suite may not bring along. */
public class Helper {
    public static String greeting() {
        return "loaded";
    }
}
