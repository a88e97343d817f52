package access.q;

public class Sibling extends access.p.Base {
}
