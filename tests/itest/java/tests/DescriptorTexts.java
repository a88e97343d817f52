package tests;

/**
 * String constants whose texts are descriptors the class uses as well: the
 * class file shares each text between a string and an array class, a field
 * type or a method signature, and the romized image must keep both.
 */
public final class DescriptorTexts {
    private static String text;

    private DescriptorTexts() {
    }

    public static void main(String[] args) throws ClassNotFoundException {
        Object ints = new int[2];
        Line.i("length", ((int[]) ints).length);
        Line.s("array", "[I");
        Line.z("forName is the array's class", Class.forName("[I") == ints.getClass());
        Line.z("getName equals the constant", ints.getClass().getName().equals("[I"));
        text = "Ljava/lang/String;";
        Line.s("field", text);
        Line.s("signature", signature(0));
    }

    private static String signature(int i) {
        return i > 0 ? "(I)Ljava/lang/String;" : signature(i + 1);
    }
}
