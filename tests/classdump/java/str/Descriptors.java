package str;

// String constants whose texts are descriptors the class uses as well: an
// array class, a field type and a method signature share their UTF-8
// entries with the strings.
public class Descriptors {
    static String field;

    public Object arrayClass(Object o) {
        return (int[]) o;
    }

    public String arrayText() {
        return "[I";
    }

    public String fieldText() {
        field = "Ljava/lang/String;";
        return field;
    }

    public String signatureText(int i) {
        return i > 0 ? "(I)Ljava/lang/String;" : signatureText(i + 1);
    }
}
