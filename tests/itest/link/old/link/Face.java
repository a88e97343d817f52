package link;

public interface Face {
    int face();
}
