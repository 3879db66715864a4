#!/usr/bin/env python3
"""Writes hello.tzx: a one-line Spectrum BASIC program saved as the ROM saves it,
a 17-byte header block (flag 0x00) and a data block (flag 0xFF), in TZX 1.20."""
import struct
import sys

PRINT = 0xF5
# 10 PRINT "HELLO FROM MORVANE"
body = bytes([PRINT]) + b'"HELLO FROM MORVANE"' + b"\r"
program = struct.pack(">H", 10) + struct.pack("<H", len(body)) + body


def block(pause_ms, flag, payload):
    data = bytes([flag]) + payload
    checksum = 0
    for b in data:
        checksum ^= b
    data += bytes([checksum])
    return b"\x10" + struct.pack("<HH", pause_ms, len(data)) + data


# Type 0 (program), name padded to ten characters, length, autostart line,
# start of the variables (no variables: the end of the program).
header = bytes([0]) + b"hello     " + struct.pack("<HHH", len(program), 10, len(program))
tape = b"ZXTape!\x1a\x01\x14" + block(1000, 0x00, header) + block(1000, 0xFF, program)
with open(sys.argv[1] if len(sys.argv) > 1 else "hello.tzx", "wb") as f:
    f.write(tape)
