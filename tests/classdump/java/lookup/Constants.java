package lookup;

public interface Constants {
    int X = 1;
}
