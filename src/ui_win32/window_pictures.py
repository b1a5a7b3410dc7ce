#!/usr/bin/env python3
"""Packs PNG pictures of one icon in several sizes into a Windows .ico file.

    window_pictures.py OUT.ico IN-16.png IN-32.png ...

Each PNG goes into the icon as it is (an icon may hold PNG images); the size
is read from the PNG's header.
"""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise ValueError("kein PNG")
    return struct.unpack(">II", data[16:24])


def main(argv):
    if len(argv) < 3:
        print("Aufruf: window_pictures.py OUT.ico IN.png...", file=sys.stderr)
        return 2
    images = []
    for name in argv[2:]:
        with open(name, "rb") as f:
            data = f.read()
        width, height = png_size(data)
        if width > 256 or height > 256:
            print(f"{name}: größer als 256 Punkte", file=sys.stderr)
            return 1
        images.append((width, height, data))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for width, height, data in images:
        out += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(argv[1], "wb") as f:
        f.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
