"""A small PNG plotter with no dependencies: step curves of latency distributions.

Only what the benchmark needs: a white canvas, axes with tick labels in a 3x5 pixel font, a few
coloured polylines and a legend. Written with zlib and struct so the benchmark runs anywhere.
"""
import struct
import zlib

FONT = {  # 3x5 glyphs, rows top to bottom, bits left to right
    "0": ["111", "101", "101", "101", "111"], "1": ["010", "110", "010", "010", "111"],
    "2": ["111", "001", "111", "100", "111"], "3": ["111", "001", "111", "001", "111"],
    "4": ["101", "101", "111", "001", "001"], "5": ["111", "100", "111", "001", "111"],
    "6": ["111", "100", "111", "101", "111"], "7": ["111", "001", "001", "001", "001"],
    "8": ["111", "101", "111", "101", "111"], "9": ["111", "101", "111", "001", "111"],
    ".": ["000", "000", "000", "000", "010"], " ": ["000", "000", "000", "000", "000"],
    "%": ["101", "001", "010", "100", "101"], "-": ["000", "000", "111", "000", "000"],
    "=": ["000", "111", "000", "111", "000"], ":": ["000", "010", "000", "010", "000"],
    "/": ["001", "001", "010", "100", "100"], "(": ["010", "100", "100", "100", "010"],
    ")": ["010", "001", "001", "001", "010"], "_": ["000", "000", "000", "000", "111"],
    "+": ["000", "010", "111", "010", "000"],
}
for letter, rows in {
    "A": ["010", "101", "111", "101", "101"], "B": ["110", "101", "110", "101", "110"],
    "C": ["011", "100", "100", "100", "011"], "D": ["110", "101", "101", "101", "110"],
    "E": ["111", "100", "110", "100", "111"], "F": ["111", "100", "110", "100", "100"],
    "G": ["011", "100", "101", "101", "011"], "H": ["101", "101", "111", "101", "101"],
    "I": ["111", "010", "010", "010", "111"], "J": ["001", "001", "001", "101", "010"],
    "K": ["101", "110", "100", "110", "101"], "L": ["100", "100", "100", "100", "111"],
    "M": ["101", "111", "111", "101", "101"], "N": ["110", "101", "101", "101", "101"],
    "O": ["010", "101", "101", "101", "010"], "P": ["110", "101", "110", "100", "100"],
    "Q": ["010", "101", "101", "110", "011"], "R": ["110", "101", "110", "101", "101"],
    "S": ["011", "100", "010", "001", "110"], "T": ["111", "010", "010", "010", "010"],
    "U": ["101", "101", "101", "101", "111"], "V": ["101", "101", "101", "101", "010"],
    "W": ["101", "101", "111", "111", "101"], "X": ["101", "101", "010", "101", "101"],
    "Y": ["101", "101", "010", "010", "010"], "Z": ["111", "001", "010", "100", "111"],
}.items():
    FONT[letter] = rows


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = bytearray(b"\xff" * (width * height * 3))

    def dot(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            at = (y * self.width + x) * 3
            self.pixels[at:at + 3] = bytes(colour)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.dot(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)

    def text(self, x, y, message, colour=(0, 0, 0), scale=2):
        for char in message.upper():
            glyph = FONT.get(char, FONT[" "])
            for row, bits in enumerate(glyph):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        for dy in range(scale):
                            for dx in range(scale):
                                self.dot(x + col * scale + dx, y + row * scale + dy, colour)
            x += 4 * scale

    def save(self, path):
        raw = b"".join(b"\x00" + bytes(self.pixels[y * self.width * 3:(y + 1) * self.width * 3])
                       for y in range(self.height))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
            out.write(chunk(b"IEND", b""))


COLOURS = [(31, 119, 180), (214, 39, 40), (44, 160, 44), (148, 103, 189), (255, 127, 14), (140, 86, 75),
           (227, 119, 194), (127, 127, 127)]
PANEL_WIDTH, PANEL_HEIGHT, LEFT, RIGHT, TOP, BOTTOM = 720, 400, 70, 20, 40, 50


def x_range(series):
    """The axis's end: the largest value, but at most twice the largest 99th percentile of the
    series, so that one stall does not squeeze every curve against the axis."""
    nonempty = [values for _, values in series if values]
    if not nonempty:
        return 1.0
    largest = max(values[-1] for values in nonempty)
    p99 = max(values[min(len(values) - 1, int(0.99 * len(values)))] for values in nonempty)
    return max(min(largest, 2 * p99) * 1.05, 1e-9)


def _panel(canvas, y0, title, series, x_label):
    x_max = x_range(series)
    plot_w, plot_h = PANEL_WIDTH - LEFT - RIGHT, PANEL_HEIGHT - TOP - BOTTOM
    top = y0 + TOP
    canvas.text(LEFT, y0 + 14, title)
    canvas.line(LEFT, top, LEFT, top + plot_h, (0, 0, 0))
    canvas.line(LEFT, top + plot_h, LEFT + plot_w, top + plot_h, (0, 0, 0))
    for i in range(6):
        x = LEFT + plot_w * i // 5
        canvas.line(x, top + plot_h, x, top + plot_h + 4, (0, 0, 0))
        tick = "%.2f" % (x_max * i / 5)
        canvas.text(min(x - 12, PANEL_WIDTH - 8 * len(tick)), top + plot_h + 8, tick)  # the last one inside
        y = top + plot_h - plot_h * i // 5
        canvas.line(LEFT - 4, y, LEFT, y, (0, 0, 0))
        canvas.text(8, y - 4, "%d%%" % (20 * i))
    canvas.text(LEFT + plot_w // 2 - 8 * len(x_label) // 2, top + plot_h + 26, x_label)
    # Colour by position in the series list, so a back end keeps its colour from panel to panel.
    for index, (label, values) in enumerate(series):
        colour = COLOURS[index % len(COLOURS)]
        previous = None
        for rank, value in enumerate(values):
            # Beyond the axis's end, at the end: the curve still reaches 100 %.
            point = (LEFT + round(plot_w * min(value, x_max) / x_max),
                     top + plot_h - round(plot_h * (rank + 1) / len(values)))
            if previous:
                canvas.line(previous[0], previous[1], point[0], previous[1], colour)
                canvas.line(point[0], previous[1], point[0], point[1], colour)
            previous = point
        legend_x, legend_y = PANEL_WIDTH - 250, top + 10 + 16 * index
        canvas.line(legend_x, legend_y + 4, legend_x + 20, legend_y + 4, colour)
        canvas.text(legend_x + 26, legend_y, label if values else label + " (NO DATA)", colour)


def plot_cdf_panels(path, title, panels, x_label):
    """panels: list of (panel title, series); series: list of (label, sorted values). One panel
    above the other, each with its own scale (see x_range), plotting the cumulative distribution of
    each series."""
    canvas = Canvas(PANEL_WIDTH, 24 + PANEL_HEIGHT * len(panels))
    canvas.text(LEFT, 8, title)
    for index, (panel_title, series) in enumerate(panels):
        _panel(canvas, 24 + PANEL_HEIGHT * index, panel_title, series, x_label)
    canvas.save(path)

