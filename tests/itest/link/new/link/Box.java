package link;

// size removed, count made static.
public class Box {
    public static int count;
}
