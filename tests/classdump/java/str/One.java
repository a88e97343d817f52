package str;

public class One {
    public String text() {
        return "shared text";
    }
}
