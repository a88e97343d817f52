package access.q;

public class Sub extends access.p.Base {
}
