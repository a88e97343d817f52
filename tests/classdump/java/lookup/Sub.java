package lookup;

// X is found in the interface before the superclass.
public class Sub extends Super implements Constants {
    int own;
}
