package tests;

/**
 * Three hundred distinct string constants in one method: with the
 * library's, more than ldc can address in the merged pool of the image, so
 * the romizer widens the method's ldc to ldc_w. The tableswitch after them
 * (its padding) and the handler range must move with the code; the romizer
 * tests check the widened method in the image's dump.
 */
public final class Widening {
    private static String picked;

    private Widening() {
    }

    public static void main(String[] args) {
        for (int k = -1; k < 6; k++) {
            widened(k, 0);
            Line.s("pick", picked);
        }
        for (int n = 0; n < 300; n += 37) {
            widened(-2, n);
            Line.s("constant", picked);
        }
        widened(-2, 299);
        Line.s("last", picked);
        widened(2, 50);
        Line.s("guarded", picked);
        widened(3, 1);
        Line.s("guarded", picked);
        widened(-1, 7);
        Line.s("guarded", picked);
    }

    // Picks the n-th constant for k = -2. Otherwise the string that k picks
    // through the switch, which n > 0 replaces with constant k * 100 + n
    // or with "outside" when that lies outside the constants.
    static void widened(int k, int n) {
        String[] all = {
            "w0", "w1", "w2", "w3", "w4", "w5", "w6", "w7", "w8", "w9",
            "w10", "w11", "w12", "w13", "w14", "w15", "w16", "w17", "w18", "w19",
            "w20", "w21", "w22", "w23", "w24", "w25", "w26", "w27", "w28", "w29",
            "w30", "w31", "w32", "w33", "w34", "w35", "w36", "w37", "w38", "w39",
            "w40", "w41", "w42", "w43", "w44", "w45", "w46", "w47", "w48", "w49",
            "w50", "w51", "w52", "w53", "w54", "w55", "w56", "w57", "w58", "w59",
            "w60", "w61", "w62", "w63", "w64", "w65", "w66", "w67", "w68", "w69",
            "w70", "w71", "w72", "w73", "w74", "w75", "w76", "w77", "w78", "w79",
            "w80", "w81", "w82", "w83", "w84", "w85", "w86", "w87", "w88", "w89",
            "w90", "w91", "w92", "w93", "w94", "w95", "w96", "w97", "w98", "w99",
            "w100", "w101", "w102", "w103", "w104", "w105", "w106", "w107", "w108", "w109",
            "w110", "w111", "w112", "w113", "w114", "w115", "w116", "w117", "w118", "w119",
            "w120", "w121", "w122", "w123", "w124", "w125", "w126", "w127", "w128", "w129",
            "w130", "w131", "w132", "w133", "w134", "w135", "w136", "w137", "w138", "w139",
            "w140", "w141", "w142", "w143", "w144", "w145", "w146", "w147", "w148", "w149",
            "w150", "w151", "w152", "w153", "w154", "w155", "w156", "w157", "w158", "w159",
            "w160", "w161", "w162", "w163", "w164", "w165", "w166", "w167", "w168", "w169",
            "w170", "w171", "w172", "w173", "w174", "w175", "w176", "w177", "w178", "w179",
            "w180", "w181", "w182", "w183", "w184", "w185", "w186", "w187", "w188", "w189",
            "w190", "w191", "w192", "w193", "w194", "w195", "w196", "w197", "w198", "w199",
            "w200", "w201", "w202", "w203", "w204", "w205", "w206", "w207", "w208", "w209",
            "w210", "w211", "w212", "w213", "w214", "w215", "w216", "w217", "w218", "w219",
            "w220", "w221", "w222", "w223", "w224", "w225", "w226", "w227", "w228", "w229",
            "w230", "w231", "w232", "w233", "w234", "w235", "w236", "w237", "w238", "w239",
            "w240", "w241", "w242", "w243", "w244", "w245", "w246", "w247", "w248", "w249",
            "w250", "w251", "w252", "w253", "w254", "w255", "w256", "w257", "w258", "w259",
            "w260", "w261", "w262", "w263", "w264", "w265", "w266", "w267", "w268", "w269",
            "w270", "w271", "w272", "w273", "w274", "w275", "w276", "w277", "w278", "w279",
            "w280", "w281", "w282", "w283", "w284", "w285", "w286", "w287", "w288", "w289",
            "w290", "w291", "w292", "w293", "w294", "w295", "w296", "w297", "w298", "w299"
        };
        String s;
        switch (k) {
            case 0:
                s = "w0";
                break;
            case 1:
                s = "w150";
                break;
            case 2:
                s = "w299";
                break;
            case 3:
                s = "zero";
                break;
            case 4:
                s = "w7";
                break;
            default:
                s = "other";
        }
        if (k == -2) {
            s = all[n];
        } else if (n > 0) {
            try {
                s = all[k * 100 + n];
            } catch (ArrayIndexOutOfBoundsException e) {
                s = "outside";
            }
        }
        picked = s;
    }
}
