#!/usr/bin/env python3
"""An OpenRaster writer and reader independent of the editor (zipfile, ElementTree, Pillow).

    ora_peer.py write OUT.ora   writes a layered file the way other programs do: nested stacks,
                                a 16-bit layer, an unknown operation, a JPEG layer, offsets past
                                the canvas
    ora_peer.py read FILE.ora   prints what a reader that knows only the format finds, one
                                tab-separated record a line
"""
import hashlib
import io
import sys
import xml.etree.ElementTree as ET
import zipfile

from PIL import Image


def png_bytes(image):
    out = io.BytesIO()
    image.save(out, "PNG")
    return out.getvalue()


def write(path):
    top = Image.new("RGBA", (16, 16), (255, 0, 0, 200))
    inner_a = Image.new("RGB", (8, 8), (0, 255, 0))
    inner_b = Image.new("RGBA", (8, 8), (0, 0, 255, 255))
    f1 = Image.new("RGB", (4, 4), (0, 0, 255))
    f2 = Image.new("RGBA", (4, 4), (255, 255, 255, 128))
    h1 = Image.new("RGB", (5, 5), (9, 9, 9))
    plus = Image.new("RGBA", (3, 3), (10, 20, 30, 255))
    grey16 = Image.new("I;16", (6, 4), 0x8080)
    background = Image.new("RGB", (64, 48), (200, 150, 100))
    photo = io.BytesIO()
    Image.new("RGB", (8, 8), (1, 2, 3)).save(photo, "JPEG")
    stack = """<?xml version="1.0" encoding="UTF-8"?>
<image version="0.0.3" w="64" h="48" xres="300" yres="300">
  <stack>
    <layer name="Top" src="data/top.png" x="-5" y="40" opacity="0.5"
           composite-op="svg:multiply" selected="true"/>
    <stack name="Plain" x="2" y="3">
      <layer name="Inner A" src="data/a.png" x="1" y="1"/>
      <layer name="Inner B" src="data/b.png" visibility="hidden"/>
    </stack>
    <stack name="Faded" opacity="0.5" composite-op="svg:screen">
      <layer name="F2" src="data/f2.png" x="12" y="12"/>
      <layer name="F1" src="data/f1.png" x="10" y="10"/>
    </stack>
    <stack name="Hidden" visibility="hidden">
      <layer name="H1" src="data/h1.png"/>
    </stack>
    <layer name="Plus" src="data/plus.png" composite-op="svg:plus"/>
    <layer name="Photo" src="data/photo.jpg"/>
    <layer name="Grey16" src="data/grey16.png" x="70" y="-10"/>
    <layer name="Background" src="data/bg.png"/>
  </stack>
</image>
"""
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "image/openraster", zipfile.ZIP_STORED)
        z.writestr("stack.xml", stack, zipfile.ZIP_DEFLATED)
        for name, image in [("top", top), ("a", inner_a), ("b", inner_b), ("f1", f1),
                            ("f2", f2), ("h1", h1), ("plus", plus), ("grey16", grey16),
                            ("bg", background)]:
            z.writestr("data/%s.png" % name, png_bytes(image), zipfile.ZIP_DEFLATED)
        z.writestr("data/photo.jpg", photo.getvalue())
        z.writestr("Thumbnails/thumbnail.png", png_bytes(background.resize((64, 48))))
        z.writestr("mergedimage.png", png_bytes(background))


def read(path):
    with zipfile.ZipFile(path) as z:
        first = z.infolist()[0]
        print("first", first.filename, "stored" if first.compress_type == 0 else "compressed",
              z.read("mimetype").decode(), sep="\t")
        root = ET.fromstring(z.read("stack.xml"))
        print("image", root.get("w"), root.get("h"), root.get("xres"), sep="\t")
        for what in ("mergedimage.png", "Thumbnails/thumbnail.png"):
            image = Image.open(io.BytesIO(z.read(what)))
            print("png", what, image.size[0], image.size[1], image.mode, sep="\t")
        for layer in root.find("stack").iter("layer"):
            image = Image.open(io.BytesIO(z.read(layer.get("src")))).convert("RGBA")
            print("layer", layer.get("name"), layer.get("x", "0"), layer.get("y", "0"),
                  image.size[0], image.size[1], layer.get("opacity", "1.0"),
                  layer.get("visibility", "visible"), layer.get("composite-op", "svg:src-over"),
                  layer.get("selected", "false"), hashlib.sha256(image.tobytes()).hexdigest(),
                  sep="\t")


if __name__ == "__main__":
    {"write": write, "read": read}[sys.argv[1]](sys.argv[2])
