package order;

public class Parent {
    public int a() {
        return 1;
    }
}
