package code;

// An abstract class: the inot pass leaves all of its methods alone.
public abstract class AbstractNegations {
    static boolean not(boolean b) {
        return !b;
    }

    abstract boolean plain();
}
