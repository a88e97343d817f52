// A class without main.
public class NoMain {
  public static void run(String[] args) {
  }
}
