package order;

public interface IB {
    int b();
}
