"""Deterministic photo-like test pictures for the comparison with other libraries.

A picture is built from smooth noise at several scales (so that it compresses and filters like a
photograph, not like flat colour or pure noise), a sky-to-ground gradient, a few hard-edged shapes
(edges for the blurs and the JPEG coder) and a fine grain. Every random number comes from numpy's
PCG64 with a fixed seed, and the upsampling from Pillow's bicubic resize, so the same seed gives the
same pixels on every machine with these Debian packages.
"""

import numpy as np
from PIL import Image, ImageDraw


def _smooth_noise(rng, width, height, cells_x, cells_y, amplitude, bands):
    """Random values on a coarse grid, bicubically upsampled to width x height (float32,
    height x width x bands)."""
    coarse = rng.integers(0, 256, size=(cells_y, cells_x, bands), dtype=np.uint8)
    mode = "RGB" if bands == 3 else "L"
    fine = Image.fromarray(coarse if bands == 3 else coarse[:, :, 0], mode)
    fine = np.asarray(fine.resize((width, height), Image.Resampling.BICUBIC), dtype=np.float32)
    return (fine.reshape(height, width, bands) - 128.0) * (amplitude / 128.0)


def make_photo(width, height, seed):
    """An RGB picture, height x width x 3 uint8."""
    rng = np.random.default_rng(seed)
    y = np.linspace(0.0, 1.0, height, dtype=np.float32)[:, None, None]
    top = rng.uniform(60, 200, size=3).astype(np.float32)
    bottom = rng.uniform(30, 160, size=3).astype(np.float32)
    img = top + (bottom - top) * y  # broadcast to height x 1 x 3
    img = np.broadcast_to(img, (height, width, 3)).copy()
    # Octaves of smooth noise: large soft areas, then texture, mostly in brightness (shared by the
    # three channels) as in a photograph, with weaker colour variation.
    for cells, light, colour in ((6, 50.0, 30.0), (24, 30.0, 12.0), (120, 16.0, 6.0),
                                 (600, 10.0, 3.0), (2000, 8.0, 0.0)):
        cells_y = max(2, cells * height // width)
        img += _smooth_noise(rng, width, height, cells, cells_y, light, 1)
        if colour:
            img += _smooth_noise(rng, width, height, cells, cells_y, colour, 3)

    # Hard-edged shapes drawn on a layer and blended in.
    shapes = Image.new("RGB", (width, height), (0, 0, 0))
    cover = Image.new("L", (width, height), 0)
    draw_s, draw_c = ImageDraw.Draw(shapes), ImageDraw.Draw(cover)
    for _ in range(12):
        cx, cy = rng.integers(0, width), rng.integers(0, height)
        rx, ry = rng.integers(width // 40, width // 8, size=2)
        colour = tuple(int(v) for v in rng.integers(0, 256, size=3))
        box = (int(cx - rx), int(cy - ry), int(cx + rx), int(cy + ry))
        if rng.integers(0, 2):
            draw_s.ellipse(box, fill=colour)
            draw_c.ellipse(box, fill=180)
        else:
            draw_s.rectangle(box, fill=colour)
            draw_c.rectangle(box, fill=180)
    alpha = np.asarray(cover, dtype=np.float32)[:, :, None] / 255.0
    img = img * (1.0 - alpha) + np.asarray(shapes, dtype=np.float32) * alpha
    del shapes, cover, alpha

    img += rng.integers(-5, 6, size=(height, width, 1), dtype=np.int8).astype(np.float32)
    return np.clip(img + 0.5, 0, 255).astype(np.uint8)


if __name__ == "__main__":
    import sys

    w, h, seed, out = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    Image.fromarray(make_photo(w, h, seed), "RGB").save(out)
