package layout;

// Its instance map begins with the map of Fields.
public class SubFields extends Fields {
    int more;
    Object extra;
    String other;
}
