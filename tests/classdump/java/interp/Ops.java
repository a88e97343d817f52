package interp;

/** Static methods that the interpreter tests run one by one. */
public class Ops {
    static int counter;
    static long total;
    static double scale;
    static Object last;

    public static int idiv(int a, int b) { return a / b; }
    public static int irem(int a, int b) { return a % b; }
    public static long ldiv(long a, long b) { return a / b; }
    public static long lrem(long a, long b) { return a % b; }
    public static int ishl(int a, int n) { return a << n; }
    public static int ishr(int a, int n) { return a >> n; }
    public static int iushr(int a, int n) { return a >>> n; }
    public static long lshl(long a, int n) { return a << n; }
    public static long lshr(long a, int n) { return a >> n; }
    public static long lushr(long a, int n) { return a >>> n; }
    public static int i2b(int a) { return (byte) a; }
    public static int i2c(int a) { return (char) a; }
    public static int i2s(int a) { return (short) a; }
    public static int lcmp(long a, long b) { return a < b ? -1 : (a == b ? 0 : 1); }
    public static long mix(int a, long b) { long c = a * b; c -= b; c ^= 0x55L; return -c + (c | 3) + (c & 12); }
    public static double dmul(double a, double b) { return a * b + 1.0; }
    public static int d2i(double a) { return (int) a; }
    public static long d2l(double a) { return (long) a; }

    public static int table(int k) {
        switch (k) {
            case -1: return 10;
            case 0: return 11;
            case 1: return 12;
            case 2: return 13;
            default: return 99;
        }
    }
    public static int table1(int k) { int x = 0; switch (k) { case 5: x = 1; break; case 6: x = 2; break; case 7: x = 3; break; default: x = 4; } return x; }
    public static int table2(int k) { switch (-k) { case -5: return 1; case -6: return 2; case -7: return 3; } return 4; }
    public static int table3(int k) { switch (k + 10) { case 15: return 1; case 16: return 2; case 17: return 3; } return 4; }
    public static int lookup(int k) {
        switch (k) {
            case -100000: return 1;
            case 7: return 2;
            case 100000: return 3;
            default: return 0;
        }
    }

    // Value k of the fields and statics after one store to each.
    public static int fieldValue(int k) {
        Holder h = new Holder();
        h.b = (byte) 200; h.s = (short) 40000; h.c = (char) 65535; h.i = -5; h.j = 1L << 40; h.z = true;
        h.d = 2.5; h.f = 1.5f; h.o = h;
        counter = 3; total = h.j + 1; scale = h.d; last = h.o;
        switch (k) {
            case 0: return h.b;
            case 1: return h.s;
            case 2: return h.c;
            case 3: return h.i;
            case 4: return (int) (h.j >> 40);
            case 5: return h.z ? 1 : 0;
            case 6: return (int) h.d;
            case 7: return (int) h.f;
            case 8: return counter;
            case 9: return (int) (total >> 40);
            case 10: return (int) scale;
            default: return last == h ? 1 : 0;
        }
    }

    // Value k of the arrays of every type after one store to each.
    public static long arrayValue(int k) {
        int[] ia = new int[3]; long[] la = new long[2]; byte[] ba = new byte[2]; char[] ca = new char[2];
        short[] sa = new short[2]; boolean[] za = new boolean[2]; double[] da = new double[2]; float[] fa = new float[2];
        Object[] oa = new String[3]; int[][] m = new int[2][3];
        ia[2] = 7; la[1] = -3L; ba[0] = (byte) 255; ca[1] = (char) 65000; sa[0] = (short) -7; za[1] = true;
        da[0] = 4.0; fa[1] = 2.0f; oa[2] = "x"; m[1][2] = 9;
        switch (k) {
            case 0: return ia[2];
            case 1: return la[1];
            case 2: return ba[0];
            case 3: return ca[1];
            case 4: return sa[0];
            case 5: return za[1] ? 1 : 0;
            case 6: return (long) da[0];
            case 7: return (long) fa[1];
            case 8: return oa[2] == "x" ? 1 : 0;
            case 9: return m[1][2];
            case 10: return ia.length;
            case 11: return m[0].length;
            default: return oa.length;
        }
    }

    // Result k of virtual, interface, super and static calls.
    public static int callValue(int n, int k) {
        Shape a = new Square(n); Shape b = new Circle(n); Named c = new Square(1);
        switch (k) {
            case 0: return a.area();
            case 1: return b.area();
            case 2: return c.name();
            case 3: return new Square(2).base();
            case 4: return Square.twice(n);
            default: return a.getSide();
        }
    }

    public static int catchNpe() {
        try { Holder h = null; return h.i; } catch (NullPointerException e) { return 1; }
    }
    public static int catchBounds(int i) {
        int[] a = new int[4];
        try { return a[i]; } catch (ArrayIndexOutOfBoundsException e) { return -1; }
    }
    public static int catchDiv(int a) {
        try { return 10 / a; } catch (ArithmeticException e) { return -7; }
    }
    public static int nested(int k) {
        int r = 0;
        try {
            try { r += 1; if (k > 0) throw new RuntimeException(); r += 10; }
            finally { r += 100; }
        } catch (RuntimeException e) { r += 1000; }
        finally { r += 10000; }
        return r;
    }
    public static int across(int depth) {
        try { return thrower(depth); } catch (ArrayStoreException e) { return -depth; }
    }
    static int thrower(int depth) { if (depth == 0) throw new ArrayStoreException(); return thrower(depth - 1) + 1; }
    public static void uncaught() { throw new IllegalArgumentException(); }
    public static int castFails(Object o) { String s = (String) o; return s == null ? 0 : 1; }
    public static int instance(Object o) { return o instanceof String ? 1 : (o instanceof Shape ? 2 : 0); }

    public static int locals0(int a) { return a * 3; }
    public static int locals1(int a) { int x = a + 1; return x * 3; }
    public static int locals2(int a) { int x = a + 1; int y = x + 2; return x * y; }
    public static int locals3(int a) { int x = a + 1; int y = x + 2; int z = y + 3; return x * y - z; }
    public static int locals4(int a) { int x = a + 1; int y = x + 2; int z = y + 3; int v = z * 2; return x * y - z + v; }
    public static int locals5(int a) { int x = a + 1; int y = x + 2; int z = y + 3; int v = z * 2; int u = v - x; return x * y - z + v * u; }

    public static double sqrt(double d) { return Math.sqrt(d); }
    public static double floor(double d) { return Math.floor(d); }
    public static long dbits(double d) { return Double.doubleToLongBits(d); }
    public static int fbits(int bits) { return Float.floatToIntBits(Float.intBitsToFloat(bits)); }
    public static int index(int ch, int from) { return "abcabc".indexOf(ch, from); }
    public static int direct(int x) { return Probe.twice(x) + 1; }
    public static int loop(int n) { int s = 0; for (int i = 0; i < n; i++) { s += i; } return s; }
    /** Each turn asks for a yield, which the loop's back branch takes. */
    public static int markLoop(int n) { int s = 0; for (int i = 0; i < n; i++) { Probe.mark(); s += i; } return s; }
    /** A yield asked for before a switch, which is no place to take it. */
    public static int markSwitch(int k) {
        Probe.mark();
        switch (k) {
            case 0: return 10;
            case 1: return 11;
            case 2: return 12;
            default: return -1;
        }
    }

    /** 400 extra locals, more than the padding below the stack limit holds. */
    public static int manyLocals(int n) {
        int a0 = n + 0, a1 = n + 1, a2 = n + 2, a3 = n + 3, a4 = n + 4, a5 = n + 5, a6 = n + 6, a7 = n + 7, a8 = n + 8, a9 = n + 9, a10 = n + 10, a11 = n + 11, a12 = n + 12, a13 = n + 13, a14 = n + 14, a15 = n + 15, a16 = n + 16, a17 = n + 17, a18 = n + 18, a19 = n + 19, a20 = n + 20, a21 = n + 21, a22 = n + 22, a23 = n + 23, a24 = n + 24, a25 = n + 25, a26 = n + 26, a27 = n + 27, a28 = n + 28, a29 = n + 29, a30 = n + 30, a31 = n + 31, a32 = n + 32, a33 = n + 33, a34 = n + 34, a35 = n + 35, a36 = n + 36, a37 = n + 37, a38 = n + 38, a39 = n + 39, a40 = n + 40, a41 = n + 41, a42 = n + 42, a43 = n + 43, a44 = n + 44, a45 = n + 45, a46 = n + 46, a47 = n + 47, a48 = n + 48, a49 = n + 49, a50 = n + 50, a51 = n + 51, a52 = n + 52, a53 = n + 53, a54 = n + 54, a55 = n + 55, a56 = n + 56, a57 = n + 57, a58 = n + 58, a59 = n + 59, a60 = n + 60, a61 = n + 61, a62 = n + 62, a63 = n + 63, a64 = n + 64, a65 = n + 65, a66 = n + 66, a67 = n + 67, a68 = n + 68, a69 = n + 69, a70 = n + 70, a71 = n + 71, a72 = n + 72, a73 = n + 73, a74 = n + 74, a75 = n + 75, a76 = n + 76, a77 = n + 77, a78 = n + 78, a79 = n + 79, a80 = n + 80, a81 = n + 81, a82 = n + 82, a83 = n + 83, a84 = n + 84, a85 = n + 85, a86 = n + 86, a87 = n + 87, a88 = n + 88, a89 = n + 89, a90 = n + 90, a91 = n + 91, a92 = n + 92, a93 = n + 93, a94 = n + 94, a95 = n + 95, a96 = n + 96, a97 = n + 97, a98 = n + 98, a99 = n + 99, a100 = n + 100, a101 = n + 101, a102 = n + 102, a103 = n + 103, a104 = n + 104, a105 = n + 105, a106 = n + 106, a107 = n + 107, a108 = n + 108, a109 = n + 109, a110 = n + 110, a111 = n + 111, a112 = n + 112, a113 = n + 113, a114 = n + 114, a115 = n + 115, a116 = n + 116, a117 = n + 117, a118 = n + 118, a119 = n + 119, a120 = n + 120, a121 = n + 121, a122 = n + 122, a123 = n + 123, a124 = n + 124, a125 = n + 125, a126 = n + 126, a127 = n + 127, a128 = n + 128, a129 = n + 129, a130 = n + 130, a131 = n + 131, a132 = n + 132, a133 = n + 133, a134 = n + 134, a135 = n + 135, a136 = n + 136, a137 = n + 137, a138 = n + 138, a139 = n + 139, a140 = n + 140, a141 = n + 141, a142 = n + 142, a143 = n + 143, a144 = n + 144, a145 = n + 145, a146 = n + 146, a147 = n + 147, a148 = n + 148, a149 = n + 149, a150 = n + 150, a151 = n + 151, a152 = n + 152, a153 = n + 153, a154 = n + 154, a155 = n + 155, a156 = n + 156, a157 = n + 157, a158 = n + 158, a159 = n + 159, a160 = n + 160, a161 = n + 161, a162 = n + 162, a163 = n + 163, a164 = n + 164, a165 = n + 165, a166 = n + 166, a167 = n + 167, a168 = n + 168, a169 = n + 169, a170 = n + 170, a171 = n + 171, a172 = n + 172, a173 = n + 173, a174 = n + 174, a175 = n + 175, a176 = n + 176, a177 = n + 177, a178 = n + 178, a179 = n + 179, a180 = n + 180, a181 = n + 181, a182 = n + 182, a183 = n + 183, a184 = n + 184, a185 = n + 185, a186 = n + 186, a187 = n + 187, a188 = n + 188, a189 = n + 189, a190 = n + 190, a191 = n + 191, a192 = n + 192, a193 = n + 193, a194 = n + 194, a195 = n + 195, a196 = n + 196, a197 = n + 197, a198 = n + 198, a199 = n + 199, a200 = n + 200, a201 = n + 201, a202 = n + 202, a203 = n + 203, a204 = n + 204, a205 = n + 205, a206 = n + 206, a207 = n + 207, a208 = n + 208, a209 = n + 209, a210 = n + 210, a211 = n + 211, a212 = n + 212, a213 = n + 213, a214 = n + 214, a215 = n + 215, a216 = n + 216, a217 = n + 217, a218 = n + 218, a219 = n + 219, a220 = n + 220, a221 = n + 221, a222 = n + 222, a223 = n + 223, a224 = n + 224, a225 = n + 225, a226 = n + 226, a227 = n + 227, a228 = n + 228, a229 = n + 229, a230 = n + 230, a231 = n + 231, a232 = n + 232, a233 = n + 233, a234 = n + 234, a235 = n + 235, a236 = n + 236, a237 = n + 237, a238 = n + 238, a239 = n + 239, a240 = n + 240, a241 = n + 241, a242 = n + 242, a243 = n + 243, a244 = n + 244, a245 = n + 245, a246 = n + 246, a247 = n + 247, a248 = n + 248, a249 = n + 249, a250 = n + 250, a251 = n + 251, a252 = n + 252, a253 = n + 253, a254 = n + 254, a255 = n + 255, a256 = n + 256, a257 = n + 257, a258 = n + 258, a259 = n + 259, a260 = n + 260, a261 = n + 261, a262 = n + 262, a263 = n + 263, a264 = n + 264, a265 = n + 265, a266 = n + 266, a267 = n + 267, a268 = n + 268, a269 = n + 269, a270 = n + 270, a271 = n + 271, a272 = n + 272, a273 = n + 273, a274 = n + 274, a275 = n + 275, a276 = n + 276, a277 = n + 277, a278 = n + 278, a279 = n + 279, a280 = n + 280, a281 = n + 281, a282 = n + 282, a283 = n + 283, a284 = n + 284, a285 = n + 285, a286 = n + 286, a287 = n + 287, a288 = n + 288, a289 = n + 289, a290 = n + 290, a291 = n + 291, a292 = n + 292, a293 = n + 293, a294 = n + 294, a295 = n + 295, a296 = n + 296, a297 = n + 297, a298 = n + 298, a299 = n + 299, a300 = n + 300, a301 = n + 301, a302 = n + 302, a303 = n + 303, a304 = n + 304, a305 = n + 305, a306 = n + 306, a307 = n + 307, a308 = n + 308, a309 = n + 309, a310 = n + 310, a311 = n + 311, a312 = n + 312, a313 = n + 313, a314 = n + 314, a315 = n + 315, a316 = n + 316, a317 = n + 317, a318 = n + 318, a319 = n + 319, a320 = n + 320, a321 = n + 321, a322 = n + 322, a323 = n + 323, a324 = n + 324, a325 = n + 325, a326 = n + 326, a327 = n + 327, a328 = n + 328, a329 = n + 329, a330 = n + 330, a331 = n + 331, a332 = n + 332, a333 = n + 333, a334 = n + 334, a335 = n + 335, a336 = n + 336, a337 = n + 337, a338 = n + 338, a339 = n + 339, a340 = n + 340, a341 = n + 341, a342 = n + 342, a343 = n + 343, a344 = n + 344, a345 = n + 345, a346 = n + 346, a347 = n + 347, a348 = n + 348, a349 = n + 349, a350 = n + 350, a351 = n + 351, a352 = n + 352, a353 = n + 353, a354 = n + 354, a355 = n + 355, a356 = n + 356, a357 = n + 357, a358 = n + 358, a359 = n + 359, a360 = n + 360, a361 = n + 361, a362 = n + 362, a363 = n + 363, a364 = n + 364, a365 = n + 365, a366 = n + 366, a367 = n + 367, a368 = n + 368, a369 = n + 369, a370 = n + 370, a371 = n + 371, a372 = n + 372, a373 = n + 373, a374 = n + 374, a375 = n + 375, a376 = n + 376, a377 = n + 377, a378 = n + 378, a379 = n + 379, a380 = n + 380, a381 = n + 381, a382 = n + 382, a383 = n + 383, a384 = n + 384, a385 = n + 385, a386 = n + 386, a387 = n + 387, a388 = n + 388, a389 = n + 389, a390 = n + 390, a391 = n + 391, a392 = n + 392, a393 = n + 393, a394 = n + 394, a395 = n + 395, a396 = n + 396, a397 = n + 397, a398 = n + 398, a399 = n + 399;
        if (n == 0) return a0 + a1 + a2 + a3 + a4 + a5 + a6 + a7 + a8 + a9 + a10 + a11 + a12 + a13 + a14 + a15 + a16 + a17 + a18 + a19 + a20 + a21 + a22 + a23 + a24 + a25 + a26 + a27 + a28 + a29 + a30 + a31 + a32 + a33 + a34 + a35 + a36 + a37 + a38 + a39 + a40 + a41 + a42 + a43 + a44 + a45 + a46 + a47 + a48 + a49 + a50 + a51 + a52 + a53 + a54 + a55 + a56 + a57 + a58 + a59 + a60 + a61 + a62 + a63 + a64 + a65 + a66 + a67 + a68 + a69 + a70 + a71 + a72 + a73 + a74 + a75 + a76 + a77 + a78 + a79 + a80 + a81 + a82 + a83 + a84 + a85 + a86 + a87 + a88 + a89 + a90 + a91 + a92 + a93 + a94 + a95 + a96 + a97 + a98 + a99 + a100 + a101 + a102 + a103 + a104 + a105 + a106 + a107 + a108 + a109 + a110 + a111 + a112 + a113 + a114 + a115 + a116 + a117 + a118 + a119 + a120 + a121 + a122 + a123 + a124 + a125 + a126 + a127 + a128 + a129 + a130 + a131 + a132 + a133 + a134 + a135 + a136 + a137 + a138 + a139 + a140 + a141 + a142 + a143 + a144 + a145 + a146 + a147 + a148 + a149 + a150 + a151 + a152 + a153 + a154 + a155 + a156 + a157 + a158 + a159 + a160 + a161 + a162 + a163 + a164 + a165 + a166 + a167 + a168 + a169 + a170 + a171 + a172 + a173 + a174 + a175 + a176 + a177 + a178 + a179 + a180 + a181 + a182 + a183 + a184 + a185 + a186 + a187 + a188 + a189 + a190 + a191 + a192 + a193 + a194 + a195 + a196 + a197 + a198 + a199 + a200 + a201 + a202 + a203 + a204 + a205 + a206 + a207 + a208 + a209 + a210 + a211 + a212 + a213 + a214 + a215 + a216 + a217 + a218 + a219 + a220 + a221 + a222 + a223 + a224 + a225 + a226 + a227 + a228 + a229 + a230 + a231 + a232 + a233 + a234 + a235 + a236 + a237 + a238 + a239 + a240 + a241 + a242 + a243 + a244 + a245 + a246 + a247 + a248 + a249 + a250 + a251 + a252 + a253 + a254 + a255 + a256 + a257 + a258 + a259 + a260 + a261 + a262 + a263 + a264 + a265 + a266 + a267 + a268 + a269 + a270 + a271 + a272 + a273 + a274 + a275 + a276 + a277 + a278 + a279 + a280 + a281 + a282 + a283 + a284 + a285 + a286 + a287 + a288 + a289 + a290 + a291 + a292 + a293 + a294 + a295 + a296 + a297 + a298 + a299 + a300 + a301 + a302 + a303 + a304 + a305 + a306 + a307 + a308 + a309 + a310 + a311 + a312 + a313 + a314 + a315 + a316 + a317 + a318 + a319 + a320 + a321 + a322 + a323 + a324 + a325 + a326 + a327 + a328 + a329 + a330 + a331 + a332 + a333 + a334 + a335 + a336 + a337 + a338 + a339 + a340 + a341 + a342 + a343 + a344 + a345 + a346 + a347 + a348 + a349 + a350 + a351 + a352 + a353 + a354 + a355 + a356 + a357 + a358 + a359 + a360 + a361 + a362 + a363 + a364 + a365 + a366 + a367 + a368 + a369 + a370 + a371 + a372 + a373 + a374 + a375 + a376 + a377 + a378 + a379 + a380 + a381 + a382 + a383 + a384 + a385 + a386 + a387 + a388 + a389 + a390 + a391 + a392 + a393 + a394 + a395 + a396 + a397 + a398 + a399;
        return manyLocals(n - 1) + a1 - a0;
    }

    public static int syncNested(Object o) { synchronized (o) { synchronized (o) { counter++; } } return counter; }
    static synchronized int syncStatic(int x) { return x + 1; }
    public static int syncThrow(Object o) {
        try { synchronized (o) { if (o != null) throw new RuntimeException(); } } catch (RuntimeException e) { return 5; }
        return 0;
    }
    public static int syncNull() {
        Object o = null;
        try { synchronized (o) { return 1; } } catch (NullPointerException e) { return 2; }
    }
    public static int syncTwo(Object a, Object b) { synchronized (a) { synchronized (b) { return syncStatic(counter); } } }

    /** The tests replace its code with monitor enters in a loop. */
    public static int enterLoop(Object o, int n) { int i = 0; while (i < n) { i++; } return i; }

    public static int readInit() { return Init.value; }
    public static int newInit() { return new Init().tag + Init.count; }

    public static int wideInc(int a) { a += 1000; a -= 30000; return a; }
    public static long shuffles(long x) {
        long[] la = new long[2]; int[] ia = new int[2]; Holder h = new Holder();
        la[0] = la[1] = x;
        ia[0] = ia[1] = (int) x;
        long y = h.j++;
        long z = (h.j += x);
        int w = h.i++;
        return la[0] + la[1] + ia[0] + ia[1] + y + z + w + h.j + h.i;
    }

    /** Rows of references allocated one after another, then read back. */
    public static int refRows(int n) {
        Object[][] rows = new Object[n][];
        for (int i = 0; i < n; i++) { rows[i] = new Holder[n]; }
        for (int i = 0; i < n; i++) { for (int j = 0; j < n; j++) { rows[i][j] = new Holder(); } }
        int same = 0;
        for (int i = 0; i < n; i++) { for (int j = 0; j < n; j++) { if (rows[i][j] instanceof Holder && rows[i].length == n) same++; } }
        return same;
    }

    public static int deep(int n) { return n == 0 ? Probe.nativeDepth() : deep(n - 1); }
}

class Init {
    static int value;
    static int count;
    int tag = 3;
    static { value = InitBase.base + 40; }
    Init() { count++; }
}

class InitBase {
    static int base;
    static { base = 2; }
}

class Holder {
    byte b; short s; char c; int i; long j; boolean z; double d; float f; Object o;
}

interface Named { int name(); }

abstract class Shape {
    int side;
    Shape(int s) { side = s; }
    abstract int area();
    int getSide() { return side; }
}

class Square extends Shape implements Named {
    Square(int s) { super(s); }
    int area() { return side * side; }
    public int name() { return 5; }
    int base() { return super.getSide() * 10; }
    static int twice(int n) { return 2 * n; }
}

class Circle extends Shape {
    Circle(int s) { super(s); }
    int area() { return 3 * side * side; }
}

class Probe {
    static native void mark();
    static native int nativeDepth();
    static native int twice(int x);
    static native void keep(Object o);
}

/** A thread that marks three steps through a test native; the back branch
 * of its loop takes the yield that the native requests. */
class Worker extends Thread {
    public void run() {
        for (int i = 0; i < 3; i++) {
            Probe.mark();
        }
    }
}

/** A thread whose first call is a reference native that hands the
 * processor on; the result goes on to another native once it runs again. */
class Handoff extends Thread {
    public void run() {
        Probe.keep(Thread.currentThread());
    }
}

/** A thread whose run ends with an exception that nobody catches. */
class Thrower extends Thread {
    public void run() {
        throw new RuntimeException("boom");
    }
}
