#!/usr/bin/env python3
"""Compares what the Windows build makes under Wine with what the Linux build makes.

  compare_with_linux.py audio LINUX.wav WINDOWS.wav [--identical]
      Both float WAVs must have the same shape and finite samples. Prints whether they are
      bit-identical, or how many samples differ and by how much at most; fails beyond 1e-3 (the
      maths libraries differ in last bits, not the algorithm), or on any difference with
      --identical.
  compare_with_linux.py maths LINUX_DIR WINDOWS_DIR
      Prints, for each function maths_probe evaluated, how many results differ and by how many
      units in the last place at most.
  compare_with_linux.py snapshot LINUX_DIR WINDOWS_DIR
      The editor's layout files must be equal; the Windows PNG must have the Linux one's size, not
      be blank, and look like it inside each knob and value box (fonts may differ).
"""
import array
import math
import os
import struct
import sys
import zlib


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def read_float_wav(path):
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        fail(path + " is not a WAV file")
    position, channels = 12, None
    while position + 8 <= len(data):
        chunk, size = data[position:position + 4], struct.unpack("<I", data[position + 4:position + 8])[0]
        body = data[position + 8:position + 8 + size]
        if chunk == b"fmt ":
            tag, channels = struct.unpack("<HH", body[:4])
            if tag != 3:
                fail(path + " is not float")
        elif chunk == b"data":
            return channels, array.array("f", body)
        position += 8 + size + (size & 1)
    fail(path + " has no data")


def compare_audio(linux_path, windows_path, identical_required):
    linux_channels, linux = read_float_wav(linux_path)
    windows_channels, windows = read_float_wav(windows_path)
    if (linux_channels, len(linux)) != (windows_channels, len(windows)):
        fail("the renders differ in shape: %d x %d against %d x %d"
             % (linux_channels, len(linux), windows_channels, len(windows)))
    if not all(math.isfinite(s) for s in windows):
        fail("the Windows render has samples that are not finite")
    differences = [abs(a - b) for a, b in zip(linux, windows) if a != b]
    frames = len(linux) // linux_channels
    if not differences:
        print("bit-identical: %d frames x %d channels" % (frames, linux_channels))
        return
    first = next(i for i, (a, b) in enumerate(zip(linux, windows)) if a != b) // linux_channels
    peak = max(abs(s) for s in linux)
    largest = max(differences)
    print("not bit-identical: %d of %d samples differ, the first at frame %d; largest difference %.3g (%.1f dB below the peak %.3g)"
          % (len(differences), len(linux), first, largest, 20 * math.log10(peak / largest), peak))
    if identical_required:
        fail("these renders must be bit-identical")
    if largest > 1e-3:
        fail("the renders differ by more than last-bit maths can explain")


def ulps(a, b, typecode):
    packed = "<i" if typecode == "f" else "<q"
    raw = "<f" if typecode == "f" else "<d"
    def ordinal(x):
        n = struct.unpack(packed, struct.pack(raw, x))[0]
        return n if n >= 0 else -(n & (2 ** (8 * struct.calcsize(packed) - 1) - 1))
    return abs(ordinal(a) - ordinal(b))


def compare_maths(linux_dir, windows_dir):
    names = sorted(os.listdir(linux_dir))
    if not names or sorted(os.listdir(windows_dir)) != names:
        fail("the two maths probes wrote different files")
    for name in names:
        typecode = "f" if name.endswith("f") or name.startswith("powf") else "d"
        linux = array.array(typecode, open(os.path.join(linux_dir, name), "rb").read())
        windows = array.array(typecode, open(os.path.join(windows_dir, name), "rb").read())
        differing = [(a, b) for a, b in zip(linux, windows) if a != b]
        worst = max((ulps(a, b, typecode) for a, b in differing), default=0)
        print("%-18s %6d of %d results differ (%.2f %%), by at most %d ulp"
              % (name, len(differing), len(linux), 100.0 * len(differing) / len(linux), worst))


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + " is not a PNG file")
    position, idat = 8, b""
    while position < len(data):
        size, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + size]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                fail(path + ": only 8-bit RGB or RGBA without interlacing is read here")
        elif kind == b"IDAT":
            idat += body
        position += 12 + size
    channels = 4 if colour == 6 else 3
    raw, stride = zlib.decompress(idat), width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up, corner = previous[x], previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, channels)])
        previous = line
    return width, height, rows


def mean_difference(a, b, box):
    x, y, w, h = box
    total = sum(abs(p - q) for row in range(y, y + h) for pa, pb in zip(a[row][x:x + w], b[row][x:x + w])
                for p, q in zip(pa, pb))
    return total / (3.0 * w * h)


def compare_snapshot(linux_dir, windows_dir):
    for name in sorted(n for n in os.listdir(linux_dir) if n.endswith(".layout")):
        linux_layout = open(os.path.join(linux_dir, name)).read()
        windows_layout = open(os.path.join(windows_dir, name)).read()
        if linux_layout != windows_layout:
            fail(name + ": the Windows editor's components stand elsewhere:\n" + windows_layout)
        linux_w, linux_h, linux = read_png(os.path.join(linux_dir, name.replace(".layout", ".png")))
        windows_w, windows_h, windows = read_png(os.path.join(windows_dir, name.replace(".layout", ".png")))
        if (windows_w, windows_h) != (linux_w, linux_h):
            fail("%s: the Windows snapshot is %d x %d" % (name, windows_w, windows_h))
        colours = len({p for row in windows for p in row})
        if colours < 50:
            fail("%s: the Windows snapshot is blank (%d colours)" % (name, colours))
        worst = 0.0
        for line in linux_layout.splitlines():
            kind, *box = line.split()
            if kind in ("knob", "value-box"):
                difference = mean_difference(linux, windows, [int(v) for v in box])
                worst = max(worst, difference)
                if difference > 12.0:
                    fail("%s: the %s at %s looks different on Windows (mean difference %.1f of 255)"
                         % (name, kind, " ".join(box), difference))
        print("%s: same layout, %d colours, knobs and value boxes within %.1f of 255 of Linux's"
              % (name, colours, worst))


if __name__ == "__main__":
    if len(sys.argv) >= 4 and sys.argv[1] == "audio":
        compare_audio(sys.argv[2], sys.argv[3], "--identical" in sys.argv[4:])
    elif len(sys.argv) == 4 and sys.argv[1] == "maths":
        compare_maths(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4 and sys.argv[1] == "snapshot":
        compare_snapshot(sys.argv[2], sys.argv[3])
    else:
        print(__doc__)
        sys.exit(2)
