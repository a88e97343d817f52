package link;

public class Box {
    public int size;
    public int count;
}
