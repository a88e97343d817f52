package prelink;

// Getters of fields of every accessor width, and methods that are none.
public class Getters {
    public boolean flag;
    public byte small;
    public char letter;
    public short half;
    public int whole;
    public float real;
    public long wide;
    public double precise;
    public Object ref;

    public boolean getFlag() {
        return flag;
    }

    public byte getSmall() {
        return small;
    }

    public char getLetter() {
        return letter;
    }

    public short getHalf() {
        return half;
    }

    public int getWhole() {
        return whole;
    }

    public float getReal() {
        return real;
    }

    public long getWide() {
        return wide;
    }

    public double getPrecise() {
        return precise;
    }

    public Object getRef() {
        return ref;
    }

    public synchronized int lockedWhole() {
        return whole;
    }

    public int nextWhole() {
        return whole + 1;
    }
}
