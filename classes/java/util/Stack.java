package java.util;

/**
 * A last-in-first-out stack over Vector: the top is the last element.
 */
public class Stack extends Vector {
    public Stack() {
    }

    public Object push(Object item) {
        addElement(item);
        return item;
    }

    public synchronized Object pop() {
        Object top = peek();
        removeElementAt(size() - 1);
        return top;
    }

    public synchronized Object peek() {
        int n = size();
        if (n == 0) {
            throw new EmptyStackException();
        }
        return elementAt(n - 1);
    }

    public boolean empty() {
        return size() == 0;
    }

    /** The 1-based distance of o from the top, or -1 when absent. */
    public synchronized int search(Object o) {
        int i = lastIndexOf(o);
        return i >= 0 ? size() - i : -1;
    }
}
