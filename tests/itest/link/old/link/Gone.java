package link;

// Left out of the archive: a catch class that cannot be found.
public class Gone extends RuntimeException {
}
