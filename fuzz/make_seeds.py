#!/usr/bin/env python3
"""Writes the hand-made seed inputs of every fuzz target into corpus/<target>/.

The seeds follow each target's input layout (see the comment at the top of
its source file); inputs that libFuzzer found worth keeping are added beside
them under other names. Run from anywhere: python3 fuzz/make_seeds.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as f:
        f.write(data)


def blocks(*chunks):
    out = b""
    for c in chunks:
        out += bytes([len(c)]) + c
    return out


# framer: config, re-arm packet number (0 = never), re-arm config, blocks
write("framer", "crlf-split", bytes([0, 0, 0]) + blocks(b"12", b"3\r", b"\n45\r\n"))
write("framer", "crlf-empty-line", bytes([0, 0, 0]) + blocks(b"\r\n", b"\r\n\r\n"))
write("framer", "field-500c", bytes([2, 0, 0]) + blocks(b"xx 1234567 7654321"))
write("framer", "field-500c-no-blank", bytes([2, 0, 0]) + blocks(*([b"x" * 200] * 6)))
write("framer", "chunks-as-they-come", bytes([1, 0, 0]) + blocks(b"a\r\nb", b"c"))
write("framer", "size-1", bytes([3, 0, 0]) + blocks(b"SA 25\r\n"))
write("framer", "size-96", bytes([4, 0, 0]) + blocks(b"0" * 100, b"1" * 100))
write("framer", "rearm-in-handler", bytes([0, 1, 2]) + blocks(b"a\r\n 1234567 7654321", b" 2"))
write("framer", "long-line", bytes([0, 0, 0]) + blocks(*([b"9" * 255] * 5)) + blocks(b"\r\n"))


# decoding: model, dialog, simulation, trace, stream length (16 bit),
# stream as (n-1, n bytes) blocks, then one line handed in directly
def decoding(model, dialog, lines, direct=b""):
    stream = b""
    for piece in lines:
        stream += bytes([len(piece) - 1]) + piece
    return bytes([model, dialog, 0, 0]) + struct.pack("<H", len(stream)) + stream + direct


write("decoding", "pxr7x-forms", decoding(0, 0, [b"012.345\r\n", b"012.345 1234\r\n", b" 001388\r\n",
                                                 b" 0001E240\r\n", b" FFFFC18\r\n", b"E15\r\n", b"ok\r\n"],
                                          b"12.34 1234"))
write("decoding", "pxr7x-hex-junk", decoding(0, 1, [b" 12 4567\r\n", b" FFFFFFFFFFFF\r\n"], b"1e99999"))
write("decoding", "pxr500c-fields", decoding(1, 0, [b" 0012.34", b" 9999.90", b"xx 0001.00"], b"    5.00"))
write("decoding", "pxr500c-dialog", decoding(1, 1, [b" 0012.34 9999.90"], b"0012.34"))
write("decoding", "pxr501-forms", decoding(2, 0, [b"D 0012.345\r\n", b"D 0012.345 +25.6\r\n",
                                                  b"H0012AB\r\n", b"HFFFC18\r\n", b"HE02   \r\n"],
                                           b"DE02"))
write("decoding", "pxr501-dialog", decoding(2, 1, [b"D 0012.345 01234 +25.6\r\n", b"H0012AB00FF\r\n"],
                                            b"D 0012.345 99999"))


# query: model, command, stop flag (odd: empty), time-out, chunk size,
# open (0 = closed), trace, run detection afterwards (odd), then
# (gap, kind, bytes) events; kind 0xFF hangs up, kind & 0x40 appends CR LF,
# kind % 48 bytes follow
def query(model, cmd, events, empty_stop=0, timeout=0, chunk=0, opened=1, trace=0, detect=1):
    out = bytes([model, cmd, empty_stop, timeout, chunk, opened, trace, detect])
    for gap, data, crlf in events:
        if data is None:
            out += bytes([gap, 0xFF])
        else:
            out += bytes([gap, len(data) | (0x40 if crlf else 0)]) + data
    return out


write("query", "pxr7x-answer", query(0, 0, [(2, b"SA 25", True)]))
write("query", "pxr7x-no-echo", query(0, 0, [(2, b"25", True)]))
write("query", "pxr7x-two-blanks", query(0, 0, [(2, b"SA  25", True)]))
write("query", "blank-line-first", query(0, 1, [(1, b"", True), (3, b"TD 0 1", True)]))
write("query", "pieces", query(0, 0, [(1, b"S", False), (1, b"A 2", False), (1, b"5", True)], chunk=1))
write("query", "two-lines-one-pass", query(2, 0, [(2, b"SA 1\r\nSA 2", True)]))
write("query", "pxr500c-blanks", query(1, 0, [(2, b"   25", True)]))
write("query", "pxr500c-empty-stop", query(1, 2, [(2, b" d", False), (10, b"t", False)], empty_stop=1))
write("query", "silent", query(0, 0, []))
write("query", "closed-port", query(0, 0, [(2, b"SA 25", True)], opened=0))
write("query", "hang-up", query(2, 0, [(5, None, False), (2, b"SA 25", True)]))
write("query", "stream", query(0, 4, [(5, b"012.345", True)] * 40, timeout=6, trace=1))
write("query", "junk-nul", query(0, 3, [(1, b"\x00\x1b\xff" * 10, False), (1, b"\x00SD d", True)]))
write("query", "endless", query(2, 5, [(1, b"9" * 47, False)] * 30))

# profile: model, file bytes
FACTORY = (b"[Parameter]\r\nST=0\r\nSA=1\r\nTD=0 0\r\nTM=0 1\r\nSF=1\r\nOF=0\r\nAS=dt\r\nSE=2\r\n"
           b"RM=0 0 0\r\nSD=d\r\nRB=0\r\nRE=40\r\nAC=2\r\nAH=0.1\r\nAW=100000\r\n")
write("profile", "pxr7x-factory", b"\x00" + FACTORY)
write("profile", "pxr7x-file-on-pxr501", b"\x02" + FACTORY)
write("profile", "rules", b"\x00" + b"SA=9\r\n[ pArAmEtEr ] x\r\n td = 100 1\r\n; SA=1\r\nSA=\"5\"\r\n"
      b"[Other\r\nAH=0,5\r\nOF=5\x00 9\r\nRM=1 2 3 4\n=7\rSE\r\n[Other]\r\nST=8")
write("profile", "bom-lf", b"\x01\xef\xbb\xbf[Parameter]\nSA=4\nTD=5 1\nAH=2\n")
write("profile", "utf16", b"\x00\xff\xfe[\x00P\x00")
write("profile", "log-file", b"\x00Time;Value\r\n0.000;1.250\r\n0.020;\r\n")
write("profile", "long-value", b"\x02[Parameter]\r\nQ1=" + b"1 " * 1100 + b"\r\nSC=" + b"x" * 2100)
write("profile", "binary", b"\x01" + bytes(range(256)))

# clipboard: model, text
write("clipboard", "pxr7x-export", b"\x00" + FACTORY[len(b"[Parameter]\r\n"):])
write("clipboard", "rules", b"\x00st=12\r\nST = 12\r\nTD= 100 1\r\nSA=1\r\nSA=2\r\nSD=a=b\nRM=1  2 3\rAH=0,5")
write("clipboard", "saved-file", b"\x01" + FACTORY)
write("clipboard", "pxr501-q1", b"\x02q1=1 2 3 4 5\r\nSE=1 2\r\nHE= 1\r\nSA=1\x00\r\nMF=2")
write("clipboard", "no-codes", b"\x00hello\r\n=7\r\n")
write("clipboard", "binary", b"\x02" + bytes(range(255, -1, -1)))

# porthistory: NoCRLF flag, then ops: 0xF0.. style, 0xEF NoCRLF toggle,
# otherwise a block of op % 200 bytes
def hist(flag, *ops):
    out = bytes([flag])
    for op in ops:
        if isinstance(op, int):
            out += bytes([op])
        else:
            out += bytes([len(op)]) + op
    return out


write("porthistory", "lines", hist(0, b"SA 25\r\n", b"partial", b" rest\r\n\r\n", 0xF1, b"x\n"))
write("porthistory", "nocrlf", hist(1, b" 1234567", b" 7654321", 0xF2, 0xEF, b"a\nb"))
write("porthistory", "endless", hist(0, *([b"z" * 199] * 25)))
write("porthistory", "many-lines", hist(0, *([b"\n" * 199] * 3)))

# linecounter: preload (16 bit), then ops: 0xFF reset, otherwise op & 1 =
# PXR500C rule and op >> 1 characters
write("linecounter", "wrap", struct.pack("<H", 9997) + bytes([6 << 1]) + b"\n\n\n\n\n\n")
write("linecounter", "pxr500c", struct.pack("<H", 0) + bytes([(8 << 1) | 1]) + b" 1234567" + b"\xff"
      + bytes([2 << 1]) + b"\n ")
