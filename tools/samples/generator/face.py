"""A passport-style face drawn from ellipses into a PPM picture.

Each shape is painted over its bounding box at twice the final size; the
picture is then halved with a 2x2 box filter, which smooths the edges."""

WIDTH, HEIGHT = 240, 320
SCALE = 2


class Canvas:
    def __init__(self, width, height, top, bottom):
        self.width, self.height = width, height
        self.pixels = []
        for y in range(height):
            t = y / (height - 1)
            colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
            self.pixels.append([colour] * width)

    def ellipse(self, cx, cy, rx, ry, colour, keep=lambda x, y: True):
        cx, cy, rx, ry = cx * SCALE, cy * SCALE, rx * SCALE, ry * SCALE
        for y in range(max(0, int(cy - ry)), min(self.height, int(cy + ry) + 1)):
            row = self.pixels[y]
            dy = (y + 0.5 - cy) / ry
            for x in range(max(0, int(cx - rx)), min(self.width, int(cx + rx) + 1)):
                dx = (x + 0.5 - cx) / rx
                if dx * dx + dy * dy <= 1.0 and keep((x + 0.5) / SCALE, (y + 0.5) / SCALE):
                    row[x] = colour

    def halved(self):
        out = bytearray()
        for y in range(0, self.height, 2):
            a, b = self.pixels[y], self.pixels[y + 1]
            for x in range(0, self.width, 2):
                for c in range(3):
                    out.append((a[x][c] + a[x + 1][c] + b[x][c] + b[x + 1][c] + 2) // 4)
        return out


def shade(colour, factor):
    return tuple(max(0, min(255, round(c * factor))) for c in colour)


def draw_face(look):
    """look: hair, skin, eyes, shirt colours (RGB lists) and long_hair (bool).
    Returns the picture as binary PPM bytes of WIDTH x HEIGHT."""
    hair, skin, eyes, shirt = (tuple(look[k]) for k in ("hair", "skin", "eyes", "shirt"))
    canvas = Canvas(WIDTH * SCALE, HEIGHT * SCALE, (214, 224, 234), (180, 194, 210))
    if look["long_hair"]:
        canvas.ellipse(120, 175, 88, 125, hair, keep=lambda x, y: y < 262)
    canvas.ellipse(120, 335, 118, 80, shirt)                          # shoulders
    canvas.ellipse(120, 262, 30, 22, shade(shirt, 0.7), keep=lambda x, y: y > 262)  # collar shadow
    canvas.ellipse(120, 238, 29, 40, shade(skin, 0.85))               # neck
    canvas.ellipse(57, 160, 11, 19, shade(skin, 0.92))                # ears
    canvas.ellipse(183, 160, 11, 19, shade(skin, 0.92))
    canvas.ellipse(120, 155, 63, 82, skin)                            # face
    canvas.ellipse(90, 190, 14, 9, shade(skin, 0.97))                 # cheeks
    canvas.ellipse(150, 190, 14, 9, shade(skin, 0.97))
    canvas.ellipse(120, 112, 70, 48, hair, keep=lambda x, y: y < 112 - 0.18 * abs(x - 120))  # hairline
    for cx in (95, 145):
        canvas.ellipse(cx, 134, 16, 4, shade(hair, 0.8))              # eyebrows
        canvas.ellipse(cx, 151, 13, 6.5, (246, 246, 244))             # eyes
        canvas.ellipse(cx, 151, 5.5, 5.5, eyes)
        canvas.ellipse(cx, 151, 2.3, 2.3, (20, 20, 24))
        canvas.ellipse(cx - 1.5, 149.5, 1.1, 1.1, (255, 255, 255))    # glint
    canvas.ellipse(120, 170, 4, 16, shade(skin, 0.93))                # nose ridge
    canvas.ellipse(113, 184, 3.5, 2.5, shade(skin, 0.7))              # nostrils
    canvas.ellipse(127, 184, 3.5, 2.5, shade(skin, 0.7))
    canvas.ellipse(120, 203, 21, 8, (176, 82, 84), keep=lambda x, y: y > 203 - 2)  # smile
    canvas.ellipse(120, 201, 17, 3.5, shade(skin, 0.97), keep=lambda x, y: y < 203)
    header = f"P6\n{WIDTH} {HEIGHT}\n255\n".encode("ascii")
    return header + bytes(canvas.halved())
