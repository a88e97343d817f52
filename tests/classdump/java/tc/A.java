package tc;

public class A {
}
