package access.p;

public class Neighbour {
}
