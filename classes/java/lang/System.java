package java.lang;

/**
 * Access to the system. The virtual machine initialises this class first
 * when it starts; its first static fields will be the standard output and
 * error streams, at the first static offsets.
 */
public final class System {
    private System() {
    }
}
