// A main class: the start hands main to the main thread.
public class Hello {
  public static void main(String[] args) {
  }
}
