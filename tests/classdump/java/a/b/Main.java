package a.b;

// Refused when "a.b." is registered as an internal package.
public class Main {
}
