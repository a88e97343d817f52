// Writes the reference file of the Math stub test: StrictMath's results on
// HotSpot for 100000 arguments.
//
// File layout, big-endian:
//   "VSMV", int version 1, int record count, then per record
//   long x, long y, long sin(x), long cos(x), long tan(x), long sqrt(x),
//   long ceil(x), long floor(x), long x % y, int fx, int fy, int fx % fy
// (doubles and floats as their raw bit patterns).
//
// The arguments: special values, random bit patterns and magnitudes, and
// multiples and near-multiples of pi/2 up to 1e22, where the argument
// reduction of sin, cos and tan is hardest.

import java.io.BufferedOutputStream;
import java.io.DataOutputStream;
import java.io.FileOutputStream;
import java.io.IOException;
import java.util.Random;

public final class MathVectors {
  private static final int RECORDS = 100000;

  private static final double[] SPECIALS = {
    0.0, Double.POSITIVE_INFINITY, Double.NaN, Double.MIN_VALUE,
    Double.longBitsToDouble(0x000FFFFFFFFFFFFFL), Double.MIN_NORMAL, Double.MAX_VALUE,
    1.0, 0.5, 1.5, 2.5, 0.49999999999999994, Math.PI / 2, Math.PI, 3 * Math.PI / 2, 2 * Math.PI,
    1e22, 1e300, 4503599627370496.0, 4503599627370495.5, 9007199254740992.0, 1e-300,
    Math.nextUp(1.0), Math.nextDown(1.0),
  };

  private static final float[] FLOAT_SPECIALS = {
    0.0f, Float.POSITIVE_INFINITY, Float.NaN, Float.MIN_VALUE, Float.MIN_NORMAL, Float.MAX_VALUE,
    1.0f, 0.5f, 1.5f, 3.0f, 8388608.0f, 16777216.0f, 1e-30f, 1e30f,
  };

  private final Random random = new Random(0x5EEDF00DL);

  private double sign(double d) {
    return random.nextBoolean() ? -d : d;
  }

  private double special() {
    return sign(SPECIALS[random.nextInt(SPECIALS.length)]);
  }

  // A double with a random fraction and a binary exponent in [low, high].
  private double magnitude(int low, int high) {
    long exponent = 1023 + low + random.nextInt(high - low + 1);
    long bits = (exponent << 52) | (random.nextLong() & 0x000FFFFFFFFFFFFFL);
    return sign(Double.longBitsToDouble(bits));
  }

  // k * pi/2 for k spread over every magnitude up to about 1e22, or one of
  // its neighbours a few units in the last place away.
  private double nearHalfPiMultiple() {
    double k = Math.floor(Math.pow(10, random.nextDouble() * 22.0) / (Math.PI / 2));
    double x = k * (Math.PI / 2);
    int steps = random.nextInt(7) - 3;
    for (; steps > 0; steps--) {
      x = Math.nextUp(x);
    }
    for (; steps < 0; steps++) {
      x = Math.nextDown(x);
    }
    return sign(x);
  }

  private double argument(int i) {
    if (i < 2 * SPECIALS.length) {
      return i % 2 == 0 ? SPECIALS[i / 2] : -SPECIALS[i / 2];
    }
    switch (random.nextInt(6)) {
      case 0:
        return Double.longBitsToDouble(random.nextLong());
      case 1:
        return special();
      case 2:
        return magnitude(-30, 70);
      case 3:
        return sign(random.nextDouble() * 10.0);
      default:
        return nearHalfPiMultiple();
    }
  }

  private double divisor(double x) {
    switch (random.nextInt(6)) {
      case 0:
        return Double.longBitsToDouble(random.nextLong());
      case 1:
        return special();
      case 2:  // the same binade as x
        long sameExponent = Double.doubleToRawLongBits(x) & 0xFFF0000000000000L;
        return Double.longBitsToDouble(sameExponent | (random.nextLong() & 0x000FFFFFFFFFFFFFL));
      case 3:
        return sign(1 + random.nextInt(1000));
      case 4:
        return magnitude(-1074 + 52, 1023);
      default:
        return magnitude(-30, 70);
    }
  }

  private float floatOperand() {
    switch (random.nextInt(4)) {
      case 0:
        return Float.intBitsToFloat(random.nextInt());
      case 1:
        float f = FLOAT_SPECIALS[random.nextInt(FLOAT_SPECIALS.length)];
        return random.nextBoolean() ? -f : f;
      case 2:
        return (float) magnitude(-20, 40);
      default:
        return (float) sign(1 + random.nextInt(100));
    }
  }

  private void write(String path) throws IOException {
    try (DataOutputStream out =
        new DataOutputStream(new BufferedOutputStream(new FileOutputStream(path)))) {
      out.writeBytes("VSMV");
      out.writeInt(1);
      out.writeInt(RECORDS);
      for (int i = 0; i < RECORDS; i++) {
        double x = argument(i);
        double y = divisor(x);
        float fx = floatOperand();
        float fy = floatOperand();
        out.writeLong(Double.doubleToRawLongBits(x));
        out.writeLong(Double.doubleToRawLongBits(y));
        out.writeLong(Double.doubleToRawLongBits(StrictMath.sin(x)));
        out.writeLong(Double.doubleToRawLongBits(StrictMath.cos(x)));
        out.writeLong(Double.doubleToRawLongBits(StrictMath.tan(x)));
        out.writeLong(Double.doubleToRawLongBits(StrictMath.sqrt(x)));
        out.writeLong(Double.doubleToRawLongBits(StrictMath.ceil(x)));
        out.writeLong(Double.doubleToRawLongBits(StrictMath.floor(x)));
        out.writeLong(Double.doubleToRawLongBits(x % y));
        out.writeInt(Float.floatToRawIntBits(fx));
        out.writeInt(Float.floatToRawIntBits(fy));
        out.writeInt(Float.floatToRawIntBits(fx % fy));
      }
    }
  }

  public static void main(String[] args) throws IOException {
    if (args.length != 1) {
      System.err.println("usage: MathVectors <output file>");
      System.exit(2);
    }
    new MathVectors().write(args[0]);
  }
}
