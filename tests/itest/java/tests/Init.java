package tests;

/** Classes whose static initialisers print when they run. */
final class Init {
    private Init() {
    }

    static void record(String step) {
        Line.s("clinit", step);
    }

    static class Parent {
        static int value = make("Parent", 1);
    }

    static class Child extends Parent {
        static final int CONSTANT = 42;
        static int value = make("Child", 2);
    }

    static class Other {
        static int calls = make("Other", 0);

        static void touch() {
            calls++;
            Line.i("touch", calls);
        }
    }

    static int make(String name, int value) {
        record(name);
        return value;
    }
}
