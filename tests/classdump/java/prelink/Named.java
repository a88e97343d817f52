package prelink;

// An interface called by prelink.Caller; the tests redirect calls of rank
// to methods of the class hierarchy above it.
public interface Named {
    String name();

    int rank();
}
