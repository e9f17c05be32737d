#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus: small action programs in the format that
host_actions.cpp reads, one per kind of host behaviour. Rerun after changing
the format; the fuzzer mutates these into everything else."""
import os
import struct

DISPATCH, SET_PARAMETER, SET_SWITCH, PROCESS_RAW, PROCESS_HIT, HOST_CHANGE, EDITOR, READ_TEXTS = range(8)
# Positions in the switch-value table of host_actions.cpp.
ZERO, THIRD, TWO_THIRDS, ONE, QUARTER, HALF, THREE_QUARTERS, P05, P1, P3 = range(10)
HIGH, LOW, DRUM, FUNCTION, TEMPLATE, RATIO = range(6)
KICK, SNARE, HIHAT = range(3)


def switch(index, value):
    return bytes([SET_SWITCH, index, value])


def hit(drum, gain=58, block=255, double=0, silence=200):
    return bytes([PROCESS_HIT, drum, gain, block, double, silence])


def raw(frames, double, floats):
    return (bytes([PROCESS_RAW]) + struct.pack('<H', frames) + bytes([double, len(floats) - 1])
            + b''.join(struct.pack('<f', f) for f in floats))


def dispatch(opcode, index=0, value=0, opt=0, pointer=False, text=b''):
    flags = 1 | 2 | 4 | (8 if pointer else 0)
    return (bytes([DISPATCH, opcode, flags]) + struct.pack('<iqf', index, value, opt)
            + bytes([len(text)]) + text)


def detection(drum):
    return switch(HIGH, P1) + switch(LOW, P3) + switch(DRUM, drum) + switch(FUNCTION, ONE)


SEEDS = {
    'detection_fixed_drums': detection(THIRD) + hit(KICK) + switch(DRUM, TWO_THIRDS) + hit(SNARE)
    + switch(DRUM, ONE) + hit(HIHAT, double=1) + bytes([READ_TEXTS]),
    'learn_then_match': switch(FUNCTION, ZERO) + switch(TEMPLATE, ZERO) + hit(KICK)
    + switch(TEMPLATE, HALF) + hit(SNARE) + switch(TEMPLATE, ONE) + hit(HIHAT)
    + detection(ZERO) + hit(KICK) + hit(SNARE, block=7) + hit(HIHAT, block=1),
    'ratio_thresholds': detection(THIRD) + switch(RATIO, QUARTER) + hit(KICK)
    + switch(RATIO, ONE) + hit(SNARE, double=1) + switch(RATIO, ZERO) + bytes([READ_TEXTS]),
    'raw_floats': raw(512, 0, [float('nan'), 1.0, -1.0, 1e-40]) + raw(4096, 1, [float('inf'), 0.5])
    + raw(1, 0, [3.4e38]) + raw(0, 1, [0.0]) + raw(0x8000 | 100, 0, [1.0]),
    'opcodes': b''.join(dispatch(op, index=op % 9 - 1, value=op, opt=44100.0, pointer=op % 2 == 0,
                                 text=b'sendVstEvents' if op == 51 else b'')
                        for op in range(84) if op != 1),
    'host_changes': detection(TWO_THIRDS) + bytes([HOST_CHANGE, 0, 1, 3]) + hit(SNARE)
    + bytes([HOST_CHANGE, 1, 5]) + struct.pack('<d', float('nan')) + hit(KICK)
    + bytes([HOST_CHANGE, 2, 2, 0]) + hit(HIHAT) + bytes([HOST_CHANGE, 8, 0, 0])
    + struct.pack('<f', 0.0) + hit(KICK, double=1),
    'parameters': b''.join(bytes([SET_PARAMETER, i & 0xFF]) + struct.pack('<f', v)
                           for i in range(-1, 8) for v in (float('nan'), -1.0, 1e30, 0.2))
    + bytes([READ_TEXTS]) + detection(ONE) + hit(HIHAT),
    'editor': bytes([EDITOR, 4, EDITOR, 0, EDITOR, 1]) + switch(HIGH, HALF) + bytes([EDITOR, 1])
    + bytes([EDITOR, 3, ord('a'), 1, 0, EDITOR, 2, EDITOR, 0, EDITOR, 0, EDITOR, 2, EDITOR, 1]),
}

if __name__ == '__main__':
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus')
    os.makedirs(folder, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)
