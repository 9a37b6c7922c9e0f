#!/usr/bin/env python3
"""Pillow's side of the WebP and TIFF round trips (tests/formats/picture_peer_test.cpp).

  pillow_peer.py make KIND OUT   writes the test picture as KIND to OUT
  pillow_peer.py decode IN       prints "WIDTH HEIGHT FRAMES" on a line, then the first frame
                                 as RGBA bytes
"""
import sys

from PIL import Image


def picture(width=61, height=37, alpha=True, seed=0):
    """A pattern that tells rows, columns and channels apart, with an alpha ramp that holds
    fully transparent, partial and opaque pixels."""
    img = Image.new("RGBA", (width, height))
    px = img.load()
    for y in range(height):
        for x in range(width):
            a = 0 if x < 4 else min(255, x * 9 + y) if alpha else 255
            px[x, y] = ((x * 37 + y * 3 + seed) % 256, (y * 41 + 7) % 256,
                        ((x ^ y) * 13 + 100) % 256, a)
    return img


def make(kind, out):
    if kind == "webp-lossless-alpha":
        picture().save(out, "WEBP", lossless=True, exact=True)
    elif kind == "webp-lossy":
        picture(alpha=False).convert("RGB").save(out, "WEBP", quality=90)
    elif kind == "webp-lossy-alpha":
        picture().save(out, "WEBP", quality=90)
    elif kind == "webp-animation":
        frames = [picture(alpha=False, seed=s * 60).convert("RGB") for s in range(3)]
        frames[0].save(out, "WEBP", save_all=True, append_images=frames[1:], lossless=True,
                       duration=100)
    elif kind == "tiff-rgb-none":
        picture(alpha=False).convert("RGB").save(out, "TIFF", compression="raw")
    elif kind == "tiff-rgba-lzw":
        picture().save(out, "TIFF", compression="tiff_lzw")
    elif kind == "tiff-rgba-deflate":
        picture().save(out, "TIFF", compression="tiff_adobe_deflate")
    elif kind == "tiff-grey-packbits":
        picture(alpha=False).convert("L").save(out, "TIFF", compression="packbits")
    elif kind == "tiff-palette-lzw":
        picture(alpha=False).convert("RGB").quantize(40).save(out, "TIFF",
                                                             compression="tiff_lzw")
    elif kind == "tiff-grey16-deflate":
        # Levels that fall between two 8-bit ones: rounding and truncation disagree.
        grey = picture(alpha=False).convert("L")
        wide = Image.new("I;16", grey.size)
        wide.putdata([v * 257 + 200 if v < 255 else 65535 for v in grey.getdata()])
        wide.save(out, "TIFF", compression="tiff_adobe_deflate")
    elif kind == "tiff-rgb-jpeg":
        picture(alpha=False).convert("RGB").save(out, "TIFF", compression="jpeg", quality=90)
    elif kind == "tiff-pages":
        pages = [picture(alpha=False, seed=s * 60).convert("RGB") for s in range(3)]
        pages[0].save(out, "TIFF", save_all=True, append_images=pages[1:],
                      compression="tiff_adobe_deflate")
    else:
        raise SystemExit("unknown kind " + kind)


def decode(path):
    img = Image.open(path)
    frames = getattr(img, "n_frames", 1)
    img.seek(0)
    if img.mode.startswith("I;16"):
        # Pillow clips 16-bit levels when converting; round them to 8 bits here.
        img = Image.frombytes("L", img.size,
                              bytes(round(v * 255 / 65535) for v in img.getdata()))
    rgba = img.convert("RGBA")
    sys.stdout.buffer.write(b"%d %d %d\n" % (rgba.width, rgba.height, frames))
    sys.stdout.buffer.write(rgba.tobytes())


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3])
    elif sys.argv[1] == "decode":
        decode(sys.argv[2])
    else:
        raise SystemExit(__doc__)
