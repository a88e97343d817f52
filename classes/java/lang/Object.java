package java.lang;

/**
 * The root of the class hierarchy. An instance has no fields: it is the
 * header word alone.
 */
public class Object {
    public Object() {
    }
}
