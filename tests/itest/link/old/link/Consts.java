package link;

public class Consts {
    public static int limit = 1;
    public static int total = 1;
}
