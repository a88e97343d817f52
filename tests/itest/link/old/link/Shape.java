package link;

public class Shape {
    public int sides() {
        return 3;
    }
}
