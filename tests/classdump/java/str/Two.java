package str;

public class Two {
    static final String SAME = "shared text";

    public String text() {
        return "shared text";
    }
}
