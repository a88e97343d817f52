package lookup;

public class Super {
    static int X = 2;
    int inherited;
}
