#!/usr/bin/env python3
"""Writes chords.mid: the demo's chord progression, C minor, A flat, E flat,
B flat, 1.2 seconds each (50 beats a minute, 480 ticks a beat), as a type 0
Standard MIDI File."""
import struct

TICKS = 480
CHORDS = [(48, 55, 60, 63), (44, 51, 56, 60), (51, 55, 58, 63), (46, 53, 58, 62)]


def variable(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


events = bytearray()
events += variable(0) + bytes([0xFF, 0x51, 0x03]) + (1_200_000).to_bytes(3, "big")  # 50 per minute
for chord in CHORDS:
    for i, key in enumerate(chord):
        events += variable(0) + bytes([0x90, key, 96])
    for i, key in enumerate(chord):
        events += variable(TICKS if i == 0 else 0) + bytes([0x80, key, 0])
events += variable(0) + bytes([0xFF, 0x2F, 0x00])

with open("chords.mid", "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS))
    f.write(b"MTrk" + struct.pack(">I", len(events)) + events)
