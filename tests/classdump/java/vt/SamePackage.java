package vt;

// In the package of Base: p() overrides.
public class SamePackage extends Base {
    int p() {
        return 30;
    }

    protected int q() {
        return 40;
    }
}
