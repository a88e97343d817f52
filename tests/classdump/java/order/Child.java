package order;

// Its superclass and both interfaces are loaded before it, each once.
public class Child extends Parent implements IA, IB {
    public int b() {
        return 2;
    }
}
