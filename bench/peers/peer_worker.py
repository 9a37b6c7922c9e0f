"""One library's side of the comparison, run as a long-lived process by run.py.

    python3 peer_worker.py LIBRARY WORKDIR THREADS

LIBRARY is vips, pillow or opencv. The worker loads the test pictures from WORKDIR into memory
once, then reads operation names from standard input, one a line, runs each operation once and
answers with one line: "ok SECONDS", "na REASON" when the library has no such operation, or
"err MESSAGE". The timer covers the call and the allocation of its result (the input is already in
memory); the decoders read and the encoders write real files in WORKDIR, as an editor's open and
save do.
"""

import os
import sys
import time

import numpy as np

JPEG_QUALITY = int(os.environ.get("PEER_JPEG_QUALITY", "90"))
PNG_LEVEL = 5
WEBP_QUALITY = 90
Z_FILTERED = 1  # zlib's strategy constant
WIDTH, HEIGHT = 6000, 4000

# The editor's 3x3 kernels (weights, divisor), used as they stand by every library.
BLUR_KERNEL = ([0, 1, 0, 1, 4, 1, 0, 1, 0], 8)
SHARPEN_KERNEL = ([0, -1, 0, -1, 8, -1, 0, -1, 0], 4)


def levels_table():
    """A per-channel table like a Levels adjustment's: black and white points and a gamma."""
    x = np.arange(256, dtype=np.float64)
    tables = []
    for black, white, gamma in ((12, 240, 1.2), (8, 250, 1.0), (20, 235, 0.9)):
        f = np.clip((x - black) / (white - black), 0.0, 1.0) ** (1.0 / gamma)
        tables.append(np.clip(f * 255.0 + 0.5, 0, 255).astype(np.uint8))
    return tables


def path(workdir, name):
    return os.path.join(workdir, name)


class Pillow:
    def __init__(self, workdir, threads):
        from PIL import Image, ImageChops, ImageFilter, ImageOps

        self.Image, self.ImageChops, self.ImageFilter, self.ImageOps = (
            Image, ImageChops, ImageFilter, ImageOps)
        self.workdir = workdir
        self.photo = Image.open(path(workdir, "photo.bmp"))
        self.photo.load()
        self.layer = Image.open(path(workdir, "layer.bmp"))
        self.layer.load()
        self.lut = [int(v) for t in levels_table() for v in t]
        self.hue_lut = [(h + 11) % 256 for h in range(256)]
        self.sat_lut = [min(255, int(s * 1.3)) for s in range(256)]

    def invert(self):
        return self.ImageOps.invert(self.photo)

    def levels(self):
        return self.photo.point(self.lut)

    def desaturate(self):
        return self.photo.convert("L")

    def hue_saturation(self):
        h, s, v = self.photo.convert("HSV").split()
        hsv = self.Image.merge("HSV", (h.point(self.hue_lut), s.point(self.sat_lut), v))
        return hsv.convert("RGB")

    def _kernel(self, k):
        return self.photo.filter(self.ImageFilter.Kernel((3, 3), k[0], k[1]))

    def blur(self):
        return self._kernel(BLUR_KERNEL)

    def sharpen(self):
        return self._kernel(SHARPEN_KERNEL)

    def gaussian10(self):
        return self.photo.filter(self.ImageFilter.GaussianBlur(10))

    def gaussian50(self):
        return self.photo.filter(self.ImageFilter.GaussianBlur(50))

    def resize_half(self):
        return self.photo.reduce(2)

    def rotate90(self):
        return self.photo.transpose(self.Image.Transpose.ROTATE_270)

    def flip(self):
        return self.photo.transpose(self.Image.Transpose.FLIP_LEFT_RIGHT)

    def multiply50(self):
        return self.Image.blend(self.photo, self.ImageChops.multiply(self.photo, self.layer), 0.5)

    def overlay50(self):
        return self.Image.blend(self.photo, self.ImageChops.overlay(self.photo, self.layer), 0.5)

    def _decode(self, name):
        im = self.Image.open(path(self.workdir, name))
        im.load()
        return im

    def _encode(self, name, **options):
        self.photo.save(path(self.workdir, name), **options)

    def jpeg_decode(self):
        return self._decode("photo.jpg")

    def jpeg_encode(self):
        self._encode("pillow.jpg", quality=JPEG_QUALITY, subsampling="4:2:0")

    def png_decode(self):
        return self._decode("photo.png")

    def png_encode(self):
        # zlib's strategy for filtered data, as libpng picks by default and the editor keeps
        # (Pillow's own default is zlib's general one); the row filters are Pillow's own choice.
        self._encode("pillow.png", compress_level=PNG_LEVEL, compress_type=Z_FILTERED)

    def bmp_read(self):
        return self._decode("photo.bmp")

    def bmp_write(self):
        self._encode("pillow.bmp")

    # WebP through libwebp at its default effort (method 4); lossless at libwebp's default
    # effort too (quality 75), as the editor writes it.
    def webp_decode(self):
        return self._decode("photo.webp")

    def webp_encode(self):
        self._encode("pillow.webp", quality=WEBP_QUALITY, method=4)

    def webp_lossless_encode(self):
        self._encode("pillow.webp", lossless=True, quality=75, method=4, exact=True)

    def tiff_decode(self):
        return self._decode("photo.tif")

    def tiff_encode(self):
        self._encode("pillow.tif", compression="tiff_adobe_deflate")


class OpenCV:
    def __init__(self, workdir, threads):
        import cv2

        self.cv2 = cv2
        cv2.setNumThreads(threads)
        self.workdir = workdir
        self.photo = cv2.imread(path(workdir, "photo.bmp"), cv2.IMREAD_COLOR)
        self.layer = cv2.imread(path(workdir, "layer.bmp"), cv2.IMREAD_COLOR)
        self.lut = np.stack(levels_table(), axis=-1).reshape(256, 1, 3)
        hue = np.array([(h + 7) % 180 if h < 180 else h for h in range(256)], np.uint8)
        sat = np.array([min(255, int(s * 1.3)) for s in range(256)], np.uint8)
        self.hls_lut = np.stack([hue, np.arange(256, dtype=np.uint8), sat], -1).reshape(256, 1, 3)
        self.blur_k = np.array(BLUR_KERNEL[0], np.float32).reshape(3, 3) / BLUR_KERNEL[1]
        self.sharpen_k = np.array(SHARPEN_KERNEL[0], np.float32).reshape(3, 3) / SHARPEN_KERNEL[1]
        self.scratch = np.zeros_like(self.photo)

    def copy_floor(self):
        """One read-and-write pass over the picture into memory already touched: the floor."""
        np.copyto(self.scratch, self.photo)

    def invert(self):
        return self.cv2.bitwise_not(self.photo)

    def levels(self):
        return self.cv2.LUT(self.photo, self.lut)

    def desaturate(self):
        return self.cv2.cvtColor(self.photo, self.cv2.COLOR_BGR2GRAY)

    def hue_saturation(self):
        cv2 = self.cv2
        hls = cv2.LUT(cv2.cvtColor(self.photo, cv2.COLOR_BGR2HLS), self.hls_lut)
        return cv2.cvtColor(hls, cv2.COLOR_HLS2BGR)

    def blur(self):
        return self.cv2.filter2D(self.photo, -1, self.blur_k)

    def sharpen(self):
        return self.cv2.filter2D(self.photo, -1, self.sharpen_k)

    def gaussian10(self):
        return self.cv2.GaussianBlur(self.photo, (0, 0), 10)

    def gaussian50(self):
        return self.cv2.GaussianBlur(self.photo, (0, 0), 50)

    def resize_half(self):
        return self.cv2.resize(self.photo, (WIDTH // 2, HEIGHT // 2),
                               interpolation=self.cv2.INTER_AREA)

    def rotate90(self):
        return self.cv2.rotate(self.photo, self.cv2.ROTATE_90_CLOCKWISE)

    def flip(self):
        return self.cv2.flip(self.photo, 1)

    def multiply50(self):
        cv2 = self.cv2
        product = cv2.multiply(self.photo, self.layer, scale=1.0 / 255.0)
        return cv2.addWeighted(self.photo, 0.5, product, 0.5, 0.0)

    def overlay50(self):
        # Overlay as 8-bit whole-image operations: 2ab/255 where the base is dark,
        # 255 - 2(255-a)(255-b)/255 where it is light, then half of it over the base.
        cv2 = self.cv2
        a, b = self.photo, self.layer
        low = cv2.multiply(a, b, scale=2.0 / 255.0)
        high = cv2.bitwise_not(cv2.multiply(cv2.bitwise_not(a), cv2.bitwise_not(b),
                                            scale=2.0 / 255.0))
        _, light = cv2.threshold(a, 127, 255, cv2.THRESH_BINARY)
        mixed = cv2.bitwise_or(cv2.bitwise_and(high, light),
                               cv2.bitwise_and(low, cv2.bitwise_not(light)))
        return cv2.addWeighted(a, 0.5, mixed, 0.5, 0.0)

    def _decode(self, name):
        image = self.cv2.imread(path(self.workdir, name), self.cv2.IMREAD_COLOR)
        if image is None:
            raise RuntimeError("cannot read " + name)
        return image

    def _encode(self, name, params):
        if not self.cv2.imwrite(path(self.workdir, name), self.photo, params):
            raise RuntimeError("cannot write " + name)

    def jpeg_decode(self):
        return self._decode("photo.jpg")

    def jpeg_encode(self):
        # 4:2:0 is the coder's default; releases that can choose are told so explicitly.
        cv2 = self.cv2
        params = [cv2.IMWRITE_JPEG_QUALITY, JPEG_QUALITY]
        if hasattr(cv2, "IMWRITE_JPEG_SAMPLING_FACTOR"):
            params += [cv2.IMWRITE_JPEG_SAMPLING_FACTOR, cv2.IMWRITE_JPEG_SAMPLING_FACTOR_420]
        self._encode("opencv.jpg", params)

    def png_decode(self):
        return self._decode("photo.png")

    def png_encode(self):
        # zlib's strategy for filtered data, which libpng picks by default and the editor keeps
        # (OpenCV's own default is run-length; zlib's general strategy is another setting, about
        # a fifth quicker on photographs). The row filters are libpng's default, as the editor's.
        cv2 = self.cv2
        self._encode("opencv.png", [cv2.IMWRITE_PNG_COMPRESSION, PNG_LEVEL,
                                    cv2.IMWRITE_PNG_STRATEGY, cv2.IMWRITE_PNG_STRATEGY_FILTERED])

    def bmp_read(self):
        return self._decode("photo.bmp")

    def bmp_write(self):
        self._encode("opencv.bmp", [])


class Vips:
    """libvips through its GObject introspection data (Debian has no Python binding of its own):
    each operation is built by name, and copy_memory() runs the pipeline into a fresh memory
    image, which is what the timer covers."""

    def __init__(self, workdir, threads):
        import gi

        gi.require_version("Vips", "8.0")
        from gi.repository import GObject, Vips

        self.GObject, self.V = GObject, Vips
        Vips.init(sys.argv[0])
        Vips.concurrency_set(threads)
        Vips.cache_set_max(0)  # a cached load or result would skip the work being timed
        self.workdir = workdir
        self.photo = self._from_file("photo.bmp")
        self.layer = self._from_file("layer.bmp")
        lut = np.stack(levels_table(), axis=-1)
        self.lut = Vips.Image.new_from_memory_copy(lut.tobytes(), 256, 1, 3, Vips.BandFormat.UCHAR)
        self.blur_k = self._matrix(BLUR_KERNEL)
        self.sharpen_k = self._matrix(SHARPEN_KERNEL)
        # The top layer at 50 % opacity: an alpha band of 128 for the compositor.
        self.layer_50 = self.call("bandjoin_const", **{"in": self.layer,
                                  "c": Vips.ArrayDouble.new([128.0])}).copy_memory()

    def _from_file(self, name):
        from PIL import Image

        rgb = np.asarray(Image.open(path(self.workdir, name)).convert("RGB"))
        h, w, _ = rgb.shape
        return self.V.Image.new_from_memory_copy(rgb.tobytes(), w, h, 3, self.V.BandFormat.UCHAR)

    def _matrix(self, kernel):
        weights, divisor = kernel
        m = self.V.Image.new_matrix_from_array(3, 3, [float(v) for v in weights])
        m.set_double("scale", float(divisor))
        m.set_double("offset", 0.0)
        return m

    def call(self, name, out="out", **kw):
        op = self.V.Operation.new(name)
        for key, value in kw.items():
            self.GObject.Object.set_property(op, key.replace("_", "-"), value)
        built = self.V.cache_operation_build(op)
        if built is None:
            raise RuntimeError(self.V.error_buffer() or ("vips " + name + " failed"))
        result = self.GObject.Object.get_property(built, out) if out else None
        built.unref_outputs()
        return result

    def _run(self, name, **kw):
        return self.call(name, **kw).copy_memory()

    def invert(self):
        return self._run("invert", **{"in": self.photo})

    def levels(self):
        return self._run("maplut", **{"in": self.photo, "lut": self.lut})

    def desaturate(self):
        return self._run("colourspace", **{"in": self.photo, "space": self.V.Interpretation.B_W})

    def hue_saturation(self):
        V = self.V
        hsv = self.call("colourspace", **{"in": self.photo, "space": V.Interpretation.HSV})
        shifted = self.call("linear", **{"in": hsv, "a": V.ArrayDouble.new([1.0, 1.3, 1.0]),
                                         "b": V.ArrayDouble.new([11.0, 0.0, 0.0]), "uchar": True})
        tagged = self.call("copy", **{"in": shifted, "interpretation": V.Interpretation.HSV})
        return self._run("colourspace", **{"in": tagged, "space": V.Interpretation.SRGB})

    def blur(self):
        return self._run("conv", **{"in": self.photo, "mask": self.blur_k,
                                    "precision": self.V.Precision.INTEGER})

    def sharpen(self):
        return self._run("conv", **{"in": self.photo, "mask": self.sharpen_k,
                                    "precision": self.V.Precision.INTEGER})

    def gaussian10(self):
        return self._run("gaussblur", **{"in": self.photo, "sigma": 10.0})

    def gaussian50(self):
        return self._run("gaussblur", **{"in": self.photo, "sigma": 50.0})

    def resize_half(self):
        return self._run("shrink", **{"in": self.photo, "hshrink": 2.0, "vshrink": 2.0})

    def rotate90(self):
        return self._run("rot", **{"in": self.photo, "angle": self.V.Angle.D90})

    def flip(self):
        return self._run("flip", **{"in": self.photo, "direction": self.V.Direction.HORIZONTAL})

    def _composite(self, mode):
        return self._run("composite2", base=self.photo, overlay=self.layer_50, mode=mode)

    def multiply50(self):
        return self._composite(self.V.BlendMode.MULTIPLY)

    def overlay50(self):
        return self._composite(self.V.BlendMode.OVERLAY)

    def _decode(self, loader, name):
        return self._run(loader, filename=path(self.workdir, name))

    def jpeg_decode(self):
        return self._decode("jpegload", "photo.jpg")

    def jpeg_encode(self):
        self.call("jpegsave", out=None, **{"in": self.photo, "filename":
                  path(self.workdir, "vips.jpg"), "Q": JPEG_QUALITY,
                  "subsample_mode": self.V.ForeignSubsample.ON})

    def png_decode(self):
        return self._decode("pngload", "photo.png")

    def png_encode(self):
        # Every row filter tried, as libpng does by default (libvips's own default is none);
        # libpng's default zlib strategy, as the editor's.
        self.call("pngsave", out=None, **{"in": self.photo, "filename":
                  path(self.workdir, "vips.png"), "compression": PNG_LEVEL,
                  "filter": self.V.ForeignPngFilter.ALL})

    def bmp_read(self):
        return self._decode("magickload", "photo.bmp")

    def bmp_write(self):
        self.call("magicksave", out=None, **{"in": self.photo, "filename":
                  path(self.workdir, "vips.bmp"), "format": "BMP3"})


LIBRARIES = {"vips": Vips, "pillow": Pillow, "opencv": OpenCV}


def main():
    library, workdir, threads = sys.argv[1], sys.argv[2], int(sys.argv[3])
    try:
        peer = LIBRARIES[library](workdir, threads)
    except Exception as e:  # the driver shows the library as unavailable
        print("err", type(e).__name__, str(e).replace("\n", " "), flush=True)
        return
    print("ready", flush=True)
    for line in sys.stdin:
        op = line.strip()
        if not op:
            continue
        fn = getattr(peer, op, None)
        if fn is None:
            print("na no such operation", flush=True)
            continue
        try:
            start = time.perf_counter()
            result = fn()
            elapsed = time.perf_counter() - start
            del result  # freed outside the timing
            print("ok %.6f" % elapsed, flush=True)
        except Exception as e:
            print("err", type(e).__name__, str(e).replace("\n", " ")[:200], flush=True)


if __name__ == "__main__":
    main()
