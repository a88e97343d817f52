// The bytecode table: every opcode of the class file (0 to 201) and of the
// VM's own (202 to 255) in one list, with its name, its length and its
// length after `wide`, and the interpreter handler that runs it.
//
// Everything else is generated from the list: the `Opcode` enum, the
// length table, the name table of dumps and traces, and the interpreter's
// dispatch fill. A length of 0 means a variable length (tableswitch,
// lookupswitch, wide) or, for 241 to 243, no length at all; 255 means the
// opcode may not occur (jsr, ret, jsr_w, 186) or may not follow `wide`.
// Both are error markers, never step sizes: a caller that walks code stops
// on them. The load-time preparation refuses code that contains them, so
// prepared code never yields them.
//
// Handlers, the decoder and the visitors rely on the order of some groups
// (the loads and stores by type, the arithmetic block, the conditions, the
// fast field forms by basic type); the static_asserts at the end pin them.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// X(enum name, name, code, length, wide length, interpreter handler); the
// rows stand in code order, 0 to 255.
#define VS_BYTECODE_TABLE(X) \
  X(kOpNop,                            "nop",                                 0,   1, 255, op_nop) \
  X(kOpAconstNull,                     "aconst_null",                         1,   1, 255, op_aconst_null) \
  X(kOpIconstM1,                       "iconst_m1",                           2,   1, 255, op_iconst) \
  X(kOpIconst0,                        "iconst_0",                            3,   1, 255, op_iconst) \
  X(kOpIconst1,                        "iconst_1",                            4,   1, 255, op_iconst) \
  X(kOpIconst2,                        "iconst_2",                            5,   1, 255, op_iconst) \
  X(kOpIconst3,                        "iconst_3",                            6,   1, 255, op_iconst) \
  X(kOpIconst4,                        "iconst_4",                            7,   1, 255, op_iconst) \
  X(kOpIconst5,                        "iconst_5",                            8,   1, 255, op_iconst) \
  X(kOpLconst0,                        "lconst_0",                            9,   1, 255, op_lconst) \
  X(kOpLconst1,                        "lconst_1",                           10,   1, 255, op_lconst) \
  X(kOpFconst0,                        "fconst_0",                           11,   1, 255, op_fconst) \
  X(kOpFconst1,                        "fconst_1",                           12,   1, 255, op_fconst) \
  X(kOpFconst2,                        "fconst_2",                           13,   1, 255, op_fconst) \
  X(kOpDconst0,                        "dconst_0",                           14,   1, 255, op_dconst) \
  X(kOpDconst1,                        "dconst_1",                           15,   1, 255, op_dconst) \
  X(kOpBipush,                         "bipush",                             16,   2, 255, op_bipush) \
  X(kOpSipush,                         "sipush",                             17,   3, 255, op_sipush) \
  X(kOpLdc,                            "ldc",                                18,   2, 255, op_ldc_slow) \
  X(kOpLdcW,                           "ldc_w",                              19,   3, 255, op_ldc_slow) \
  X(kOpLdc2W,                          "ldc2_w",                             20,   3, 255, op_ldc2_w_slow) \
  X(kOpIload,                          "iload",                              21,   2,   4, op_iload) \
  X(kOpLload,                          "lload",                              22,   2,   4, op_lload) \
  X(kOpFload,                          "fload",                              23,   2,   4, op_iload) \
  X(kOpDload,                          "dload",                              24,   2,   4, op_lload) \
  X(kOpAload,                          "aload",                              25,   2,   4, op_iload) \
  X(kOpIload0,                         "iload_0",                            26,   1, 255, op_iload_n) \
  X(kOpIload1,                         "iload_1",                            27,   1, 255, op_iload_n) \
  X(kOpIload2,                         "iload_2",                            28,   1, 255, op_iload_n) \
  X(kOpIload3,                         "iload_3",                            29,   1, 255, op_iload_n) \
  X(kOpLload0,                         "lload_0",                            30,   1, 255, op_lload_n) \
  X(kOpLload1,                         "lload_1",                            31,   1, 255, op_lload_n) \
  X(kOpLload2,                         "lload_2",                            32,   1, 255, op_lload_n) \
  X(kOpLload3,                         "lload_3",                            33,   1, 255, op_lload_n) \
  X(kOpFload0,                         "fload_0",                            34,   1, 255, op_iload_n) \
  X(kOpFload1,                         "fload_1",                            35,   1, 255, op_iload_n) \
  X(kOpFload2,                         "fload_2",                            36,   1, 255, op_iload_n) \
  X(kOpFload3,                         "fload_3",                            37,   1, 255, op_iload_n) \
  X(kOpDload0,                         "dload_0",                            38,   1, 255, op_lload_n) \
  X(kOpDload1,                         "dload_1",                            39,   1, 255, op_lload_n) \
  X(kOpDload2,                         "dload_2",                            40,   1, 255, op_lload_n) \
  X(kOpDload3,                         "dload_3",                            41,   1, 255, op_lload_n) \
  X(kOpAload0,                         "aload_0",                            42,   1, 255, op_iload_n) \
  X(kOpAload1,                         "aload_1",                            43,   1, 255, op_iload_n) \
  X(kOpAload2,                         "aload_2",                            44,   1, 255, op_iload_n) \
  X(kOpAload3,                         "aload_3",                            45,   1, 255, op_iload_n) \
  X(kOpIaload,                         "iaload",                             46,   1, 255, op_xaload) \
  X(kOpLaload,                         "laload",                             47,   1, 255, op_xaload) \
  X(kOpFaload,                         "faload",                             48,   1, 255, op_xaload) \
  X(kOpDaload,                         "daload",                             49,   1, 255, op_xaload) \
  X(kOpAaload,                         "aaload",                             50,   1, 255, op_xaload) \
  X(kOpBaload,                         "baload",                             51,   1, 255, op_xaload) \
  X(kOpCaload,                         "caload",                             52,   1, 255, op_xaload) \
  X(kOpSaload,                         "saload",                             53,   1, 255, op_xaload) \
  X(kOpIstore,                         "istore",                             54,   2,   4, op_istore) \
  X(kOpLstore,                         "lstore",                             55,   2,   4, op_lstore) \
  X(kOpFstore,                         "fstore",                             56,   2,   4, op_istore) \
  X(kOpDstore,                         "dstore",                             57,   2,   4, op_lstore) \
  X(kOpAstore,                         "astore",                             58,   2,   4, op_istore) \
  X(kOpIstore0,                        "istore_0",                           59,   1, 255, op_istore_n) \
  X(kOpIstore1,                        "istore_1",                           60,   1, 255, op_istore_n) \
  X(kOpIstore2,                        "istore_2",                           61,   1, 255, op_istore_n) \
  X(kOpIstore3,                        "istore_3",                           62,   1, 255, op_istore_n) \
  X(kOpLstore0,                        "lstore_0",                           63,   1, 255, op_lstore_n) \
  X(kOpLstore1,                        "lstore_1",                           64,   1, 255, op_lstore_n) \
  X(kOpLstore2,                        "lstore_2",                           65,   1, 255, op_lstore_n) \
  X(kOpLstore3,                        "lstore_3",                           66,   1, 255, op_lstore_n) \
  X(kOpFstore0,                        "fstore_0",                           67,   1, 255, op_istore_n) \
  X(kOpFstore1,                        "fstore_1",                           68,   1, 255, op_istore_n) \
  X(kOpFstore2,                        "fstore_2",                           69,   1, 255, op_istore_n) \
  X(kOpFstore3,                        "fstore_3",                           70,   1, 255, op_istore_n) \
  X(kOpDstore0,                        "dstore_0",                           71,   1, 255, op_lstore_n) \
  X(kOpDstore1,                        "dstore_1",                           72,   1, 255, op_lstore_n) \
  X(kOpDstore2,                        "dstore_2",                           73,   1, 255, op_lstore_n) \
  X(kOpDstore3,                        "dstore_3",                           74,   1, 255, op_lstore_n) \
  X(kOpAstore0,                        "astore_0",                           75,   1, 255, op_istore_n) \
  X(kOpAstore1,                        "astore_1",                           76,   1, 255, op_istore_n) \
  X(kOpAstore2,                        "astore_2",                           77,   1, 255, op_istore_n) \
  X(kOpAstore3,                        "astore_3",                           78,   1, 255, op_istore_n) \
  X(kOpIastore,                        "iastore",                            79,   1, 255, op_xastore) \
  X(kOpLastore,                        "lastore",                            80,   1, 255, op_xastore) \
  X(kOpFastore,                        "fastore",                            81,   1, 255, op_xastore) \
  X(kOpDastore,                        "dastore",                            82,   1, 255, op_xastore) \
  X(kOpAastore,                        "aastore",                            83,   1, 255, op_xastore) \
  X(kOpBastore,                        "bastore",                            84,   1, 255, op_xastore) \
  X(kOpCastore,                        "castore",                            85,   1, 255, op_xastore) \
  X(kOpSastore,                        "sastore",                            86,   1, 255, op_xastore) \
  X(kOpPop,                            "pop",                                87,   1, 255, op_pop) \
  X(kOpPop2,                           "pop2",                               88,   1, 255, op_pop2) \
  X(kOpDup,                            "dup",                                89,   1, 255, op_dup) \
  X(kOpDupX1,                          "dup_x1",                             90,   1, 255, op_dup_x1) \
  X(kOpDupX2,                          "dup_x2",                             91,   1, 255, op_dup_x2) \
  X(kOpDup2,                           "dup2",                               92,   1, 255, op_dup2) \
  X(kOpDup2X1,                         "dup2_x1",                            93,   1, 255, op_dup2_x1) \
  X(kOpDup2X2,                         "dup2_x2",                            94,   1, 255, op_dup2_x2) \
  X(kOpSwap,                           "swap",                               95,   1, 255, op_swap) \
  X(kOpIadd,                           "iadd",                               96,   1, 255, op_arith) \
  X(kOpLadd,                           "ladd",                               97,   1, 255, op_arith) \
  X(kOpFadd,                           "fadd",                               98,   1, 255, op_arith) \
  X(kOpDadd,                           "dadd",                               99,   1, 255, op_arith) \
  X(kOpIsub,                           "isub",                              100,   1, 255, op_arith) \
  X(kOpLsub,                           "lsub",                              101,   1, 255, op_arith) \
  X(kOpFsub,                           "fsub",                              102,   1, 255, op_arith) \
  X(kOpDsub,                           "dsub",                              103,   1, 255, op_arith) \
  X(kOpImul,                           "imul",                              104,   1, 255, op_arith) \
  X(kOpLmul,                           "lmul",                              105,   1, 255, op_arith) \
  X(kOpFmul,                           "fmul",                              106,   1, 255, op_arith) \
  X(kOpDmul,                           "dmul",                              107,   1, 255, op_arith) \
  X(kOpIdiv,                           "idiv",                              108,   1, 255, op_arith) \
  X(kOpLdiv,                           "ldiv",                              109,   1, 255, op_arith) \
  X(kOpFdiv,                           "fdiv",                              110,   1, 255, op_arith) \
  X(kOpDdiv,                           "ddiv",                              111,   1, 255, op_arith) \
  X(kOpIrem,                           "irem",                              112,   1, 255, op_arith) \
  X(kOpLrem,                           "lrem",                              113,   1, 255, op_arith) \
  X(kOpFrem,                           "frem",                              114,   1, 255, op_arith) \
  X(kOpDrem,                           "drem",                              115,   1, 255, op_arith) \
  X(kOpIneg,                           "ineg",                              116,   1, 255, op_arith) \
  X(kOpLneg,                           "lneg",                              117,   1, 255, op_arith) \
  X(kOpFneg,                           "fneg",                              118,   1, 255, op_arith) \
  X(kOpDneg,                           "dneg",                              119,   1, 255, op_arith) \
  X(kOpIshl,                           "ishl",                              120,   1, 255, op_arith) \
  X(kOpLshl,                           "lshl",                              121,   1, 255, op_arith) \
  X(kOpIshr,                           "ishr",                              122,   1, 255, op_arith) \
  X(kOpLshr,                           "lshr",                              123,   1, 255, op_arith) \
  X(kOpIushr,                          "iushr",                             124,   1, 255, op_arith) \
  X(kOpLushr,                          "lushr",                             125,   1, 255, op_arith) \
  X(kOpIand,                           "iand",                              126,   1, 255, op_arith) \
  X(kOpLand,                           "land",                              127,   1, 255, op_arith) \
  X(kOpIor,                            "ior",                               128,   1, 255, op_arith) \
  X(kOpLor,                            "lor",                               129,   1, 255, op_arith) \
  X(kOpIxor,                           "ixor",                              130,   1, 255, op_arith) \
  X(kOpLxor,                           "lxor",                              131,   1, 255, op_arith) \
  X(kOpIinc,                           "iinc",                              132,   3,   6, op_iinc) \
  X(kOpI2l,                            "i2l",                               133,   1, 255, op_convert) \
  X(kOpI2f,                            "i2f",                               134,   1, 255, op_convert) \
  X(kOpI2d,                            "i2d",                               135,   1, 255, op_convert) \
  X(kOpL2i,                            "l2i",                               136,   1, 255, op_convert) \
  X(kOpL2f,                            "l2f",                               137,   1, 255, op_convert) \
  X(kOpL2d,                            "l2d",                               138,   1, 255, op_convert) \
  X(kOpF2i,                            "f2i",                               139,   1, 255, op_convert) \
  X(kOpF2l,                            "f2l",                               140,   1, 255, op_convert) \
  X(kOpF2d,                            "f2d",                               141,   1, 255, op_convert) \
  X(kOpD2i,                            "d2i",                               142,   1, 255, op_convert) \
  X(kOpD2l,                            "d2l",                               143,   1, 255, op_convert) \
  X(kOpD2f,                            "d2f",                               144,   1, 255, op_convert) \
  X(kOpI2b,                            "i2b",                               145,   1, 255, op_convert) \
  X(kOpI2c,                            "i2c",                               146,   1, 255, op_convert) \
  X(kOpI2s,                            "i2s",                               147,   1, 255, op_convert) \
  X(kOpLcmp,                           "lcmp",                              148,   1, 255, op_compare) \
  X(kOpFcmpl,                          "fcmpl",                             149,   1, 255, op_compare) \
  X(kOpFcmpg,                          "fcmpg",                             150,   1, 255, op_compare) \
  X(kOpDcmpl,                          "dcmpl",                             151,   1, 255, op_compare) \
  X(kOpDcmpg,                          "dcmpg",                             152,   1, 255, op_compare) \
  X(kOpIfeq,                           "ifeq",                              153,   3, 255, op_if) \
  X(kOpIfne,                           "ifne",                              154,   3, 255, op_if) \
  X(kOpIflt,                           "iflt",                              155,   3, 255, op_if) \
  X(kOpIfge,                           "ifge",                              156,   3, 255, op_if) \
  X(kOpIfgt,                           "ifgt",                              157,   3, 255, op_if) \
  X(kOpIfle,                           "ifle",                              158,   3, 255, op_if) \
  X(kOpIfIcmpeq,                       "if_icmpeq",                         159,   3, 255, op_if) \
  X(kOpIfIcmpne,                       "if_icmpne",                         160,   3, 255, op_if) \
  X(kOpIfIcmplt,                       "if_icmplt",                         161,   3, 255, op_if) \
  X(kOpIfIcmpge,                       "if_icmpge",                         162,   3, 255, op_if) \
  X(kOpIfIcmpgt,                       "if_icmpgt",                         163,   3, 255, op_if) \
  X(kOpIfIcmple,                       "if_icmple",                         164,   3, 255, op_if) \
  X(kOpIfAcmpeq,                       "if_acmpeq",                         165,   3, 255, op_if) \
  X(kOpIfAcmpne,                       "if_acmpne",                         166,   3, 255, op_if) \
  X(kOpGoto,                           "goto",                              167,   3, 255, op_goto) \
  X(kOpJsr,                            "jsr",                               168, 255, 255, op_unimplemented) \
  X(kOpRet,                            "ret",                               169, 255,   4, op_unimplemented) \
  X(kOpTableswitch,                    "tableswitch",                       170,   0, 255, op_tableswitch) \
  X(kOpLookupswitch,                   "lookupswitch",                      171,   0, 255, op_lookupswitch) \
  X(kOpIreturn,                        "ireturn",                           172,   1, 255, op_return1) \
  X(kOpLreturn,                        "lreturn",                           173,   1, 255, op_return2) \
  X(kOpFreturn,                        "freturn",                           174,   1, 255, op_return1) \
  X(kOpDreturn,                        "dreturn",                           175,   1, 255, op_return2) \
  X(kOpAreturn,                        "areturn",                           176,   1, 255, op_return1) \
  X(kOpReturn,                         "return",                            177,   1, 255, op_return0) \
  X(kOpGetstatic,                      "getstatic",                         178,   3, 255, op_static_slow) \
  X(kOpPutstatic,                      "putstatic",                         179,   3, 255, op_static_slow) \
  X(kOpGetfield,                       "getfield",                          180,   3, 255, op_member_slow) \
  X(kOpPutfield,                       "putfield",                          181,   3, 255, op_member_slow) \
  X(kOpInvokevirtual,                  "invokevirtual",                     182,   3, 255, op_member_slow) \
  X(kOpInvokespecial,                  "invokespecial",                     183,   3, 255, op_member_slow) \
  X(kOpInvokestatic,                   "invokestatic",                      184,   3, 255, op_invokestatic_slow) \
  X(kOpInvokeinterface,                "invokeinterface",                   185,   5, 255, op_member_slow) \
  X(kOpUnused186,                      "unused_186",                        186, 255, 255, op_unimplemented) \
  X(kOpNew,                            "new",                               187,   3, 255, op_new_slow) \
  X(kOpNewarray,                       "newarray",                          188,   2, 255, op_newarray) \
  X(kOpAnewarray,                      "anewarray",                         189,   3, 255, op_member_slow) \
  X(kOpArraylength,                    "arraylength",                       190,   1, 255, op_arraylength) \
  X(kOpAthrow,                         "athrow",                            191,   1, 255, op_athrow) \
  X(kOpCheckcast,                      "checkcast",                         192,   3, 255, op_checkcast) \
  X(kOpInstanceof,                     "instanceof",                        193,   3, 255, op_instanceof) \
  X(kOpMonitorenter,                   "monitorenter",                      194,   1, 255, op_monitorenter) \
  X(kOpMonitorexit,                    "monitorexit",                       195,   1, 255, op_monitorexit) \
  X(kOpWide,                           "wide",                              196,   0, 255, op_wide) \
  X(kOpMultianewarray,                 "multianewarray",                    197,   4, 255, op_multianewarray) \
  X(kOpIfnull,                         "ifnull",                            198,   3, 255, op_if) \
  X(kOpIfnonnull,                      "ifnonnull",                         199,   3, 255, op_if) \
  X(kOpGotoW,                          "goto_w",                            200,   5, 255, op_goto_w) \
  X(kOpJsrW,                           "jsr_w",                             201, 255, 255, op_unimplemented) \
  X(kOpBreakpoint,                     "breakpoint",                        202,   1, 255, op_unimplemented) \
  X(kOpLdcFast,                        "ldc_fast",                          203,   2, 255, op_ldc_fast) \
  X(kOpLdcWFast,                       "ldc_w_fast",                        204,   3, 255, op_ldc_w_fast) \
  X(kOpLdc2WFast,                      "ldc2_w_fast",                       205,   3, 255, op_ldc2_w) \
  X(kOpPutstaticFast,                  "putstatic_fast",                    206,   3, 255, op_putstatic_fast) \
  X(kOpPutstatic2Fast,                 "putstatic2_fast",                   207,   3, 255, op_putstatic2_fast) \
  X(kOpPutstaticRefFast,               "putstatic_ref_fast",                208,   3, 255, op_putstatic_ref_fast) \
  X(kOpGetstaticFast,                  "getstatic_fast",                    209,   3, 255, op_getstatic_fast) \
  X(kOpGetstatic2Fast,                 "getstatic2_fast",                   210,   3, 255, op_getstatic2_fast) \
  X(kOpPutfieldByteFast,               "putfield_byte_fast",                211,   3, 255, op_field_fast) \
  X(kOpPutfieldShortFast,              "putfield_short_fast",               212,   3, 255, op_field_fast) \
  X(kOpPutfieldIntFast,                "putfield_int_fast",                 213,   3, 255, op_field_fast) \
  X(kOpPutfieldLongFast,               "putfield_long_fast",                214,   3, 255, op_field_fast) \
  X(kOpPutfieldFloatFast,              "putfield_float_fast",               215,   3, 255, op_field_fast) \
  X(kOpPutfieldDoubleFast,             "putfield_double_fast",              216,   3, 255, op_field_fast) \
  X(kOpPutfieldRefFast,                "putfield_ref_fast",                 217,   3, 255, op_field_fast) \
  X(kOpGetfieldByteFast,               "getfield_byte_fast",                218,   3, 255, op_field_fast) \
  X(kOpGetfieldShortFast,              "getfield_short_fast",               219,   3, 255, op_field_fast) \
  X(kOpGetfieldIntFast,                "getfield_int_fast",                 220,   3, 255, op_field_fast) \
  X(kOpGetfieldLongFast,               "getfield_long_fast",                221,   3, 255, op_field_fast) \
  X(kOpGetfieldFloatFast,              "getfield_float_fast",               222,   3, 255, op_field_fast) \
  X(kOpGetfieldDoubleFast,             "getfield_double_fast",              223,   3, 255, op_field_fast) \
  X(kOpGetfieldRefFast,                "getfield_ref_fast",                 224,   3, 255, op_field_fast) \
  X(kOpGetfieldCharFast,               "getfield_char_fast",                225,   3, 255, op_field_fast) \
  X(kOpInvokevirtualFast,              "invokevirtual_fast",                226,   3, 255, op_invokevirtual_fast) \
  X(kOpInvokestaticFast,               "invokestatic_fast",                 227,   3, 255, op_invokestatic_fast) \
  X(kOpInvokeinterfaceFast,            "invokeinterface_fast",              228,   5, 255, op_invokeinterface_fast) \
  X(kOpInvokeNative,                   "invoke_native",                     229,   8, 255, op_invoke_native) \
  X(kOpInvokedirectFast,               "invokedirect_fast",                 230,   3, 255, op_invokedirect_fast) \
  X(kOpInvokesuperFast,                "invokesuper_fast",                  231,   3, 255, op_invokesuper_fast) \
  X(kOpNewFast,                        "new_fast",                          232,   3, 255, op_new_fast) \
  X(kOpAnewarrayFast,                  "anewarray_fast",                    233,   3, 255, op_anewarray_fast) \
  X(kOpCheckcastFast,                  "checkcast_fast",                    234,   3, 255, op_checkcast_fast) \
  X(kOpInstanceofFast,                 "instanceof_fast",                   235,   3, 255, op_instanceof_fast) \
  X(kOpGetfieldWord1IntFast,           "getfield_word1_int_fast",           236,   2, 255, op_getfield_word1) \
  X(kOpGetfieldWord1RefFast,           "getfield_word1_ref_fast",           237,   2, 255, op_getfield_word1) \
  X(kOpAload0GetfieldWord1RefFast,     "aload_0_getfield_word1_ref_fast",   238,   2, 255, op_getfield_word1) \
  X(kOpAload0GetfieldWord1IntFast,     "aload_0_getfield_word1_int_fast",   239,   2, 255, op_getfield_word1) \
  X(kOpInot,                           "inot",                              240,   1, 255, op_inot) \
  X(kOpUnused241,                      "unused_241",                        241,   0, 255, op_unimplemented) \
  X(kOpUnused242,                      "unused_242",                        242,   0, 255, op_unimplemented) \
  X(kOpUnused243,                      "unused_243",                        243,   0, 255, op_unimplemented) \
  X(kOpUnused244,                      "unused_244",                        244,   8,   7, op_unimplemented) \
  X(kOpUnused245,                      "unused_245",                        245,   6,   6, op_unimplemented) \
  X(kOpUnused246,                      "unused_246",                        246,   5,   5, op_unimplemented) \
  X(kOpUnused247,                      "unused_247",                        247,   5,   5, op_unimplemented) \
  X(kOpUnused248,                      "unused_248",                        248,   4,   4, op_unimplemented) \
  X(kOpUnused249,                      "unused_249",                        249,   4,   4, op_unimplemented) \
  X(kOpUnused250,                      "unused_250",                        250,   4,   4, op_unimplemented) \
  X(kOpUnused251,                      "unused_251",                        251,   4,   4, op_unimplemented) \
  X(kOpUnused252,                      "unused_252",                        252,   3,   3, op_unimplemented) \
  X(kOpUnused253,                      "unused_253",                        253,   3,   3, op_unimplemented) \
  X(kOpUnused254,                      "unused_254",                        254,   3,   3, op_unimplemented) \
  X(kOpUnused255,                      "unused_255",                        255,   3,   3, op_unimplemented)


enum Opcode : uint8_t {
#define VS_OPCODE_ENUM(id, name, code, length, wide, handler) id = code,
  VS_BYTECODE_TABLE(VS_OPCODE_ENUM)
#undef VS_OPCODE_ENUM
};
inline constexpr uint8_t kLengthNotAllowed = 255;

// The table's two lengths of an opcode.
uint8_t vsBytecodes_tableLength(uint8_t opcode);
uint8_t vsBytecodes_wideLength(uint8_t opcode);
// The opcode's name ("aload_0", "invokevirtual_fast", ...).
const char* vsBytecodes_name(uint8_t opcode);

// The length of the instruction at bci of the method's code; for the
// variable-length ones, vsBytecodes_switchLength.
int32_t vsBytecodes_lengthAt(const VmRef* method, uint32_t bci);
// tableswitch: (p - bci) + 12 + 4 * (high - low + 1); lookupswitch:
// (p - bci) + 8 * (npairs + 1), with p = (bci + 4) & ~3 and the operand
// words read in machine order; wide: the wide length of the next opcode;
// anything else 0. An instruction that would run past the end of the code
// gives 0 as well.
int32_t vsBytecodes_switchLength(const VmRef* method, uint32_t bci, uint8_t opcode);

// Orders that handlers and tables rely on.
static_assert(kOpIload + 1 == kOpLload && kOpLload + 1 == kOpFload && kOpFload + 1 == kOpDload &&
              kOpDload + 1 == kOpAload);
static_assert(kOpIstore + 1 == kOpLstore && kOpLstore + 1 == kOpFstore &&
              kOpFstore + 1 == kOpDstore && kOpDstore + 1 == kOpAstore);
static_assert(kOpIload0 + 4 == kOpLload0 && kOpLload0 + 4 == kOpFload0 &&
              kOpFload0 + 4 == kOpDload0 && kOpDload0 + 4 == kOpAload0 && kOpAload3 == 45);
static_assert(kOpIstore0 + 4 == kOpLstore0 && kOpLstore0 + 4 == kOpFstore0 &&
              kOpFstore0 + 4 == kOpDstore0 && kOpDstore0 + 4 == kOpAstore0 && kOpAstore3 == 78);
static_assert(kOpIaload + 7 == kOpSaload && kOpIastore + 7 == kOpSastore &&
              kOpIaload + 4 == kOpAaload && kOpIastore + 4 == kOpAastore);
// Arithmetic: add, sub, mul, div, rem, neg for int, long, float, double;
// then shl, shr, ushr, and, or, xor for int and long.
static_assert(kOpIadd == 96 && kOpLadd == 97 && kOpFadd == 98 && kOpDadd == 99);
static_assert(kOpIsub == kOpIadd + 4 && kOpImul == kOpIadd + 8 && kOpIdiv == kOpIadd + 12 &&
              kOpIrem == kOpIadd + 16 && kOpIneg == kOpIadd + 20 && kOpDneg == 119);
static_assert(kOpIshl == 120 && kOpLshl == 121 && kOpIshr == 122 && kOpIushr == 124 &&
              kOpIand == 126 && kOpIor == 128 && kOpIxor == 130 && kOpLxor == 131);
static_assert(kOpI2l == 133 && kOpI2s == 147 && kOpLcmp == 148 && kOpDcmpg == 152);
static_assert(kOpIfeq + 5 == kOpIfle && kOpIfle + 1 == kOpIfIcmpeq &&
              kOpIfIcmpeq + 5 == kOpIfIcmple && kOpIfIcmple + 1 == kOpIfAcmpeq &&
              kOpIfAcmpne == 166 && kOpIfAcmpne + 1 == kOpGoto);
static_assert(kOpIreturn + 5 == kOpReturn && kOpGetstatic + 3 == kOpPutfield &&
              kOpInvokevirtual + 3 == kOpInvokeinterface);
// Fast field forms by basic type: put byte, short, int, long, float,
// double, reference; get the same and char.
static_assert(kOpPutfieldByteFast == 211 && kOpPutfieldRefFast == kOpPutfieldByteFast + 6 &&
              kOpGetfieldByteFast == kOpPutfieldRefFast + 1 &&
              kOpGetfieldRefFast == kOpGetfieldByteFast + 6 &&
              kOpGetfieldCharFast == kOpGetfieldRefFast + 1 && kOpGetfieldCharFast == 225);
static_assert(kOpGetfieldWord1IntFast == 236 && kOpGetfieldWord1RefFast == 237 &&
              kOpAload0GetfieldWord1RefFast == 238 && kOpAload0GetfieldWord1IntFast == 239 &&
              kOpInot == 240);
