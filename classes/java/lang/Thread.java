package java.lang;

/** A thread of execution; its fields come with the class image. */
public class Thread {
}
