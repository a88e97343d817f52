// A class whose main is an instance method: no main the VM may call.
public class InstanceMain {
  public void main(String[] args) {
  }
}
