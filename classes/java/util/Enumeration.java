package java.util;

/** The elements of a collection, one at a time. */
public interface Enumeration {
    boolean hasMoreElements();

    Object nextElement();
}
