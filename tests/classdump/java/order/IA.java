package order;

public interface IA {
    int a();
}
