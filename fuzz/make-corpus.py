#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the real content.

    python3 fuzz/make-corpus.py DATA_DIR [SOUNDGEN]

DATA_DIR is a built data folder (build/data); SOUNDGEN the built
ruzoz-soundgen (default: DATA_DIR/../tools/soundgen/ruzoz-soundgen), which
writes the wave seeds as excerpts of the effects. The built
ruzoz-bitmapkinds next to it (DATA_DIR/../tests/shell) writes one image
seed of each bitmap kind (kind-*.bmp), a 16 x 16 piece of an alien, with
imagemagick's convert. The seeds are small:
sprites, wave excerpts, the music files, the start of the golden key
scripts. The images come in the encodings a player's paint program might
save: SDL has no coverage instrumentation here, so the fuzzer cannot find
them by itself. Reproducers of fixed findings (repro-*) and the hand-made
damaged files (KEPT) are kept; the rest is rewritten.
"""

import pathlib
import struct
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"
# A LIST chunk before "fmt " and an odd data chunk with its pad byte.
KEPT = {"Get-list-odd.wav"}


def read_bmp24(path):
    """(width, height, rows of (r, g, b) top row first) of a 24-bit BMP."""
    b = path.read_bytes()
    offset, = struct.unpack_from("<I", b, 10)
    width, height = struct.unpack_from("<ii", b, 18)
    bits, = struct.unpack_from("<H", b, 28)
    assert bits == 24 and height > 0, path
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height):
        row = b[offset + (height - 1 - y) * stride:][:width * 3]
        rows.append([(row[3 * x + 2], row[3 * x + 1], row[3 * x]) for x in range(width)])
    return width, height, rows


def bmp(width, height, bits, pixel_bytes, palette=b"", compression=0, masks=b"",
        header_size=40, top_down=False):
    info = struct.pack("<IiiHHIIiiII", header_size, width, -height if top_down else height, 1,
                       bits, compression, len(pixel_bytes), 2835, 2835, len(palette) // 4, 0)
    info += masks
    info += b"\0" * (header_size - len(info))
    offset = 14 + len(info) + len(palette)
    return (b"BM" + struct.pack("<IHHI", offset + len(pixel_bytes), 0, 0, offset) + info +
            palette + pixel_bytes)


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def ordered(rows, top_down):
    return rows if top_down else rows[::-1]


def as_palette(width, height, rows, bits, rle=False):
    colours = sorted({c for row in rows for c in row})
    if len(colours) > (1 << bits):  # fold to 3-3-2 bits, or to greys
        if bits == 8:
            rows = [[(r & 0xE0, g & 0xE0, b & 0xC0) for r, g, b in row] for row in rows]
        else:
            step = 255 // ((1 << bits) - 1)
            grey = lambda r, g, b: (r * 3 + g * 6 + b) // 10 * ((1 << bits) - 1) // 255 * step
            rows = [[(grey(*c),) * 3 for c in row] for row in rows]
        colours = sorted({c for row in rows for c in row})
    index = {c: i for i, c in enumerate(colours)}
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    if rle:
        data = b""
        for row in ordered(rows, False):
            x = 0
            while x < width:
                run = 1
                while x + run < width and run < 255 and row[x + run] == row[x]:
                    run += 1
                data += bytes([run, index[row[x]]])
                x += run
            data += b"\0\0"
        data += b"\0\1"
        return bmp(width, height, 8, data, palette, compression=1)
    data = b""
    per_byte = 8 // bits
    for row in ordered(rows, False):
        packed = bytearray()
        for x in range(0, width, per_byte):
            value = 0
            for k in range(per_byte):
                i = index[row[x + k]] if x + k < width else 0
                value |= i << (8 - bits * (k + 1))
            packed.append(value)
        data += pad(bytes(packed))
    return bmp(width, height, bits, data, palette)


def as_565(width, height, rows):
    data = b""
    for row in ordered(rows, True):
        data += pad(b"".join(struct.pack("<H", (r >> 3) << 11 | (g >> 2) << 5 | b >> 3)
                             for r, g, b in row))
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    return bmp(width, height, 16, data, compression=3, masks=masks, top_down=True)


def as_argb(width, height, rows):
    data = b"".join(struct.pack("<BBBB", b, g, r, 0 if (r, g, b) == (255, 255, 255) else 255)
                    for row in ordered(rows, False) for r, g, b in row)
    masks = struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    return bmp(width, height, 32, data, compression=3, masks=masks, header_size=108)


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    data_dir = pathlib.Path(sys.argv[1])
    soundgen = pathlib.Path(sys.argv[2] if len(sys.argv) == 3 else
                            data_dir.parent / "tools" / "soundgen" / "ruzoz-soundgen")
    for folder in CORPUS.glob("*"):
        for old in folder.glob("*"):
            if not old.name.startswith("repro-") and old.name not in KEPT:
                old.unlink()

    write("image", "Kugel.bmp", (data_dir / "Kugel.bmp").read_bytes())
    w, h, rows = read_bmp24(data_dir / "Alien3.bmp")
    write("image", "Alien3-8bit.bmp", as_palette(w, h, rows, 8))
    w, h, rows = read_bmp24(data_dir / "Lava.bmp")
    write("image", "Lava-rle8.bmp", as_palette(w, h, rows, 8, rle=True))
    w, h, rows = read_bmp24(data_dir / "Leer.bmp")
    write("image", "Leer-4bit.bmp", as_palette(w, h, [r[:32] for r in rows], 4))
    w, h, rows = read_bmp24(data_dir / "Explosion2.bmp")
    write("image", "Explosion2-565-topdown.bmp", as_565(w, h, rows))
    w, h, rows = read_bmp24(data_dir / "Schiff5.bmp")
    write("image", "Schiff5-argb.bmp", as_argb(w, h, rows))
    w, h, rows = read_bmp24(data_dir / "Zeichensatz.bmp")
    cells = [row[:64] for row in rows[:16]]  # the first four glyph cells
    write("image", "Zeichensatz-cells-1bit.bmp", as_palette(64, 16, cells, 1))

    kinds = data_dir.parent / "tests" / "shell" / "ruzoz-bitmapkinds"
    with tempfile.TemporaryDirectory() as scratch:
        piece = pathlib.Path(scratch) / "piece.bmp"
        subprocess.run(["convert", str(data_dir / "Alien3.bmp"), "-crop", "16x16+8+8", "+repage",
                        "BMP3:" + str(piece)], check=True)
        subprocess.run([str(kinds), scratch, str(piece)], check=True)
        for made in sorted(pathlib.Path(scratch).glob("*/piece.bmp")):
            write("image", "kind-" + made.parent.name + ".bmp", made.read_bytes())

    wave_dir = CORPUS / "wave"
    wave_dir.mkdir(parents=True, exist_ok=True)
    for name, first, frames in [("GunShot.wav", 0, 64), ("drip.wav", 200, 100),
                                ("Kollision.wav", 500, 48), ("Schaden.wav", 500, 128)]:
        subprocess.run([str(soundgen), "--excerpt", name, str(first), str(frames),
                        str(wave_dir / name)], check=True)

    music = ROOT / "content" / "music"
    write("style", "Style1.sty", (music / "Style1.sty").read_bytes())
    write("chordmap", "Chordmap1.cdm", (music / "Chordmap1.cdm").read_bytes())
    write("template", "Template1.tpl", (music / "Template1.tpl").read_bytes())

    for name in ["title_navigation", "random_keys", "autopilot_game"]:
        lines = (ROOT / "tests" / "golden" / (name + ".keys")).read_text().splitlines()
        write("keyscript", name + ".keys", ("\n".join(lines[:40]) + "\n").encode())


if __name__ == "__main__":
    main()
