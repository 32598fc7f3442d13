#!/usr/bin/env python3
"""Writes a small text UMD book: make_umd.py <out file> <title> <chapter title> <text> [<chapter title> <text>...]"""
import struct
import sys
import zlib


def u16(s):
    return s.encode("utf-16-le")


def info(kind, payload):
    return b"#" + struct.pack("<H", kind) + b"\x00" + bytes([5 + len(payload)]) + payload


def data_block(check, data):
    return b"$" + struct.pack("<II", check, 9 + len(data)) + data


def pair(kind, check, data):
    return b"#" + struct.pack("<H", kind) + b"\x01\x09" + struct.pack("<I", check) + data_block(check, data)


def main():
    out, title = sys.argv[1], sys.argv[2]
    chapters = list(zip(sys.argv[3::2], sys.argv[4::2]))
    b = bytearray(b"\x89\x9b\x9a\xde#\x01\x00\x00\x08\x01\x11\x22")
    b += info(2, u16(title)) + info(3, u16("佚名"))
    for kind, text in ((4, "2010"), (5, "1"), (6, "5"), (8, "出版社"), (9, "书店")):
        b += info(kind, u16(text))
    whole = "".join(text for _, text in chapters)
    b += info(11, struct.pack("<I", len(whole) * 2))
    offsets, at = b"", 0
    for _, text in chapters:
        offsets += struct.pack("<I", at)
        at += len(text) * 2
    b += pair(0x83, 0x01020304, offsets)
    b += pair(0x84, 0x05060708, b"".join(bytes([len(t) * 2]) + u16(t) for t, _ in chapters))
    raw = u16(whole)
    blocks = 0
    for at in range(0, len(raw), 32768):
        b += data_block(0x0A0B0C0D + at, zlib.compress(raw[at:at + 32768]))
        blocks += 1
    b += pair(0x81, 0x11111111, b"".join(struct.pack("<I", i) for i in range(blocks)))
    with open(out, "wb") as f:
        f.write(b)


main()
