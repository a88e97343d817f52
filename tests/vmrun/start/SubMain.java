// A main class whose main is inherited.
public class SubMain extends Hello {
}
