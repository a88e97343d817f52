package rewrite;

public interface Face {
    int face();
}
