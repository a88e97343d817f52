package romizer.image;

// A native whose function no VM program defines: a program linking an
// image of it fails to link unless the unbound list names the native.
public class Missing {
    static native int gone();
}
