package access.q;

public class Stranger {
}
