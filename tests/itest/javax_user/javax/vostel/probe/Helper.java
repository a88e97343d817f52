package javax.vostel.probe;

/** A class under javax/ that an application archive may not supply. */
public class Helper {
    public static String greeting() {
        return "loaded";
    }
}
