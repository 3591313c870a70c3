"""Writes the reference images of the image-reader tests with PIL, a writer we did not
write, and next to each the pixels PIL decodes from it as raw RGBA (<file>.rgba)."""

import sys

from PIL import Image

out = sys.argv[1]
W, H = 13, 7


def pixel(x, y):
    return ((x * 37 + y * 11) % 256, (x * 5 + y * 53) % 256, (x * y * 7 + 40) % 256, (x * 19 + y * 29) % 256)


rgba = Image.new("RGBA", (W, H))
rgba.putdata([pixel(x, y) for y in range(H) for x in range(W)])
rgb = rgba.convert("RGB")
files = {
    "rgba.png": rgba,
    "rgb.png": rgb,
    "grey.png": rgb.convert("L"),
    "greyalpha.png": rgba.convert("LA"),
    "palette.png": rgb.convert("P", palette=Image.ADAPTIVE, colors=16),
    "rgb.tga": rgb,
    "rgba.tga": rgba,
    "palette.tga": rgb.convert("P", palette=Image.ADAPTIVE, colors=16),
    "rgb.bmp": rgb,
    "palette.bmp": rgb.convert("P", palette=Image.ADAPTIVE, colors=16),
    "rgb.jpg": rgb,
}
for name, image in files.items():
    image.save(out + "/" + name)
rgba.save(out + "/rle.tga", compression="tga_rle")
rgb.convert("L").save(out + "/grey.jpg")
for name in list(files) + ["rle.tga"]:
    with Image.open(out + "/" + name) as decoded:
        with open(out + "/" + name + ".rgba", "wb") as raw:
            raw.write(decoded.convert("RGBA").tobytes())
