package tests;

import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.DataInputStream;
import java.io.DataOutputStream;
import java.io.EOFException;
import java.io.IOException;
import java.io.UTFDataFormatException;

/**
 * Array and data streams: every type written and read back with the bytes
 * shown, UTF strings with U+0000 and every length class, a UTF string over
 * 65535 bytes, malformed UTF, the end of the stream inside each type,
 * ByteArrayOutputStream's growth, ByteArrayInputStream's window, skip,
 * mark and reset.
 */
public final class Streams {
    private Streams() {
    }

    /** Exposes the buffer's size. */
    private static final class Sink extends ByteArrayOutputStream {
        Sink(int size) {
            super(size);
        }

        int room() {
            return buf.length;
        }
    }

    public static void main(String[] args) throws IOException {
        roundTrip();
        utf();
        ends();
        arrays();
    }

    private static void bytes(String label, byte[] b) {
        Line.label(label);
        Out.printInt(b.length);
        Out.printChar(':');
        for (int i = 0; i < b.length; i++) {
            Out.printChar(' ');
            Out.printString(Integer.toHexString(b[i] & 0xFF));
        }
        Out.newLine();
    }

    private static void roundTrip() throws IOException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        DataOutputStream out = new DataOutputStream(bytes);
        out.writeBoolean(true);
        out.writeBoolean(false);
        out.writeByte(0x180);
        out.writeShort(-2);
        out.writeShort(0x12345);
        out.writeChar(0xfedc);
        out.writeInt(0x89abcdef);
        out.writeLong(0x0123456789abcdefL);
        out.writeLong(Long.MIN_VALUE);
        out.writeFloat(Float.intBitsToFloat(0x7f800001));
        out.writeFloat(-0.0f);
        out.writeDouble(Double.longBitsToDouble(0x7ff0000000000001L));
        out.writeDouble(1.0 / 3);
        out.writeChars("Az\u0100");
        out.write(0x1ff);
        out.write(new byte[] { 1, 2, 3, 4 }, 1, 2);
        out.flush();
        bytes("written", bytes.toByteArray());
        Line.i("size", bytes.size());
        DataInputStream in = new DataInputStream(new ByteArrayInputStream(bytes.toByteArray()));
        Line.z("readBoolean", in.readBoolean());
        Line.z("readBoolean", in.readBoolean());
        Line.i("readByte", in.readByte());
        Line.i("readShort", in.readShort());
        Line.i("readUnsignedShort", in.readUnsignedShort());
        Line.i("readChar", in.readChar());
        Line.i("readInt", in.readInt());
        Line.l("readLong", in.readLong());
        Line.l("readLong", in.readLong());
        Line.i("readFloat", Float.floatToIntBits(in.readFloat()));
        Line.i("readFloat", Float.floatToIntBits(in.readFloat()));
        Line.l("readDouble", Double.doubleToLongBits(in.readDouble()));
        Line.l("readDouble", Double.doubleToLongBits(in.readDouble()));
        Line.i("readChar", in.readChar());
        Line.i("readChar", in.readChar());
        Line.i("readChar", in.readChar());
        Line.i("readUnsignedByte", in.readUnsignedByte());
        Line.i("available", in.available());
        byte[] two = new byte[2];
        in.readFully(two);
        bytes("readFully", two);
        Line.i("read at end", in.read());
        Line.i("read array at end", in.read(two));
        Line.i("read none at end", in.read(two, 0, 0));
    }

    private static void utf() throws IOException {
        String[] texts = {
            "", "plain", "\u0000", "a\u0000b", "\u007f\u0080", "\u07ff\u0800", "\uffff\ud800\udc00", "\u00e9t\u00e9"
        };
        for (int k = 0; k < texts.length; k++) {
            ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            new DataOutputStream(bytes).writeUTF(texts[k]);
            Line.at("utf", k);
            bytes("", bytes.toByteArray());
            String back = new DataInputStream(new ByteArrayInputStream(bytes.toByteArray())).readUTF();
            Line.at("utf back", k);
            Out.printBoolean(back.equals(texts[k]));
            Out.newLine();
        }
        StringBuffer big = new StringBuffer();
        for (int i = 0; i < 21845; i++) {
            big.append('\u0800');
        }
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        DataOutputStream out = new DataOutputStream(bytes);
        out.writeUTF(big.toString());
        Line.i("65535 bytes", bytes.size());
        Line.z("65535 back", new DataInputStream(new ByteArrayInputStream(bytes.toByteArray())).readUTF()
                .equals(big.toString()));
        big.append('x');
        Line.label("65536 bytes");
        try {
            out.writeUTF(big.toString());
        } catch (UTFDataFormatException e) {
            Out.printString("UTFDataFormatException");
        }
        Out.newLine();
        Line.i("nothing written", bytes.size());
        byte[][] bad = {
            { 0, 1, (byte) 0x80 }, { 0, 1, (byte) 0xc3 }, { 0, 2, (byte) 0xc3, 0x41 },
            { 0, 3, (byte) 0xe0, (byte) 0x80, 0x41 }, { 0, 2, (byte) 0xe0, (byte) 0x80 },
            { 0, 1, (byte) 0xf0 }, { 0, 5, 0x41 }, { 0 }
        };
        for (int k = 0; k < bad.length; k++) {
            Line.at("bad utf", k);
            try {
                Out.printString(new DataInputStream(new ByteArrayInputStream(bad[k])).readUTF());
            } catch (UTFDataFormatException e) {
                Out.printString("UTFDataFormatException");
            } catch (EOFException e) {
                Out.printString("EOFException");
            }
            Out.newLine();
        }
    }

    /** Each reader on too few bytes, from none up to one short. */
    private static void ends() throws IOException {
        String[] names = { "boolean", "byte", "unsignedByte", "short", "unsignedShort", "char", "int", "long",
            "float", "double", "fully" };
        int[] sizes = { 1, 1, 1, 2, 2, 2, 4, 8, 4, 8, 3 };
        for (int k = 0; k < names.length; k++) {
            for (int n = 0; n < sizes[k]; n++) {
                DataInputStream in = new DataInputStream(new ByteArrayInputStream(new byte[n]));
                Line.label(names[k]);
                Out.printInt(n);
                Out.printChar(' ');
                try {
                    switch (k) {
                        case 0: in.readBoolean(); break;
                        case 1: in.readByte(); break;
                        case 2: in.readUnsignedByte(); break;
                        case 3: in.readShort(); break;
                        case 4: in.readUnsignedShort(); break;
                        case 5: in.readChar(); break;
                        case 6: in.readInt(); break;
                        case 7: in.readLong(); break;
                        case 8: in.readFloat(); break;
                        case 9: in.readDouble(); break;
                        default: in.readFully(new byte[3]); break;
                    }
                    Out.printString("read");
                } catch (EOFException e) {
                    Out.printString("EOFException");
                }
                Out.newLine();
            }
        }
        DataInputStream in = new DataInputStream(new ByteArrayInputStream(new byte[10]));
        Line.i("skipBytes", in.skipBytes(4));
        Line.i("skipBytes past end", in.skipBytes(100));
        Line.i("skipBytes at end", in.skipBytes(1));
    }

    private static void arrays() throws IOException {
        Sink sink = new Sink(0);
        int last = -1;
        for (int i = 0; i < 200; i++) {
            sink.write(i);
            if (sink.room() != last) {
                last = sink.room();
                Line.at("grows at", sink.size());
                Out.printInt(last);
                Out.newLine();
            }
        }
        sink.write(new byte[1000], 10, 500);
        Line.i("block write", sink.room());
        sink.reset();
        Line.i("reset size", sink.size());
        sink.write(new byte[] { 9, 8, 7 }, 0, 3);
        bytes("after reset", sink.toByteArray());
        Line.label("negative size");
        try {
            new ByteArrayOutputStream(-1);
        } catch (IllegalArgumentException e) {
            Out.printString("IllegalArgumentException");
        }
        Out.newLine();

        byte[] data = { 10, 20, 30, 40, 50, 60, 70, 80 };
        int[][] windows = { { 0, 8 }, { 2, 3 }, { 6, 10 }, { 8, 2 }, { 3, 0 } };
        for (int k = 0; k < windows.length; k++) {
            ByteArrayInputStream in = new ByteArrayInputStream(data, windows[k][0], windows[k][1]);
            Line.at("window", k);
            Out.printInt(in.available());
            int b;
            while ((b = in.read()) != -1) {
                Out.printChar(' ');
                Out.printInt(b);
            }
            Out.newLine();
            in.reset();
            Line.at("after reset", k);
            Out.printInt(in.read());
            Out.newLine();
        }
        ByteArrayInputStream in = new ByteArrayInputStream(data);
        Line.z("markSupported", in.markSupported());
        Line.l("skip 2", in.skip(2));
        in.mark(0);
        Line.l("skip -3", in.skip(-3));
        byte[] got = new byte[5];
        Line.i("read 5", in.read(got, 1, 4));
        bytes("got", got);
        Line.l("skip 100", in.skip(100));
        in.reset();
        Line.i("after mark", in.read());
        Line.i("read past", in.read(got, 0, 5));
        Line.i("read none", in.read(got, 0, 0));
        Line.label("read out of range");
        try {
            in.read(got, 3, 3);
        } catch (IndexOutOfBoundsException e) {
            Out.printString("IndexOutOfBoundsException");
        }
        Out.newLine();
    }
}
