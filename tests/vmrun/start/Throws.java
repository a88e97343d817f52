// A main class whose main throws what nothing catches.
public class Throws {
  public static void main(String[] args) {
    throw new RuntimeException("boom");
  }
}
