package app;

// An application of several classes, run from its archive. Its only output
// is the uncaught RuntimeException that ends main: the summary of the
// results, written as digits by the program itself.
public class Main {
    public static void main(String[] args) {
        Summary s = new Summary();
        Shape[] shapes = { new Rect(3, 4), new Square(5), new Rect(2, 7) };
        int area = 0;
        for (int i = 0; i < shapes.length; i++) {
            area += shapes[i].area();
        }
        s.add(area);
        s.add(shapes[1].sides());
        s.add(((Rect) shapes[1]).perimeter());
        s.add(Square.count());
        Fields f = new Fields();
        f.fill(-3);
        s.add(f.sum());
        s.add(Fields.staticSum());
        s.add(f.wide());
        s.add(f.scaled());
        s.add(new Thrower().run(4));
        s.add(new Thrower().run(-1));
        s.add(Thrower.faults());
        s.add(Thrower.finallyCount);
        throw new RuntimeException(s.text());
    }
}
