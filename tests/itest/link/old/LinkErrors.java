import link.Box;
import link.Consts;
import link.Face;
import link.Gone;
import link.LdcClass;
import link.Ops;
import link.Shape;
import tests.Out;

// Compiled against the classes of old/; the archive holds the changed ones
// of new/ (and a hand-made LdcClass, and no Gone). Each case prints the
// message of the Error it catches.
public class LinkErrors {
    static void report(String label, int step) {
        Out.printString(label);
        Out.printString(": ");
        Out.printString("no error at step ");
        Out.printInt(step);
        Out.newLine();
    }

    static void caught(String label, Throwable e) {
        Out.printString(label);
        Out.printString(": ");
        Out.printString(e.getMessage());
        Out.newLine();
    }

    static int run(int step) {
        Box box = null;
        Ops ops = null;
        Face face = null;
        switch (step) {
        case 0:
            Consts.limit = 3;
            return 0;
        case 1:
            int before = Consts.total;
            Consts.total = before + 1;
            return 0;
        case 2:
            return new Shape().sides();
        case 3:
            return box.size;
        case 4:
            return box.count;
        case 5:
            return Ops.twice(2);
        case 6:
            return ops.half(4);
        case 7:
            return face.face();
        case 8:
            return ops.gone();
        case 9:
            return LdcClass.get() != null ? 1 : 0;
        default:
            return missingCatch();
        }
    }

    static int missingCatch() {
        try {
            throw new RuntimeException("thrown");
        } catch (Gone e) {
            return 1;
        }
    }

    public static void main(String[] args) {
        String[] labels = { "putstatic final", "putstatic final after getstatic", "new abstract", "removed field",
                "field made static", "invokestatic of instance method", "invokevirtual of static method",
                "invokeinterface of class", "removed method", "ldc of class entry", "missing catch class" };
        for (int step = 0; step < labels.length; step++) {
            try {
                run(step);
                report(labels[step], step);
            } catch (Error e) {
                caught(labels[step], e);
            } catch (RuntimeException e) {
                caught(labels[step], e);
            }
        }
    }
}
