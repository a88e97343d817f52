package access.p;

public class Base {
    protected int guarded;
    int packaged;
    public int open;
    private int secret;
}
