"""Reading the pixels of a screenshot that uiprobe wrote (an uncompressed 24-bit BMP), and the
gradient's band rule as the window applies it, so that tests sample pixels instead of comparing
whole images."""
import struct


class Picture:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if data[:2] != b"BM":
            raise ValueError(f"{path}: not a BMP file")
        self._offset = struct.unpack_from("<I", data, 10)[0]
        width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
        if bits != 24:
            raise ValueError(f"{path}: {bits} bits per pixel, expected 24")
        self.width, self.height = width, abs(height)
        self._bottom_up = height > 0
        self._row_bytes = (width * 3 + 3) // 4 * 4
        self._data = data

    def pixel(self, x, y):
        """(red, green, blue) at (x, y), top-left origin."""
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"({x}, {y}) outside {self.width} x {self.height}")
        row = self.height - 1 - y if self._bottom_up else y
        at = self._offset + row * self._row_bytes + x * 3
        b, g, r = self._data[at:at + 3]
        return (r, g, b)


def mul_div(a, b, c):
    """a * b / c rounded to the nearest integer, halves away from zero."""
    product = a * b
    sign = -1 if (product < 0) != (c < 0) else 1
    return sign * ((abs(product) + abs(c) // 2) // abs(c))


STEPS = 128


def band_edges(index, extent):
    return mul_div(index, extent, STEPS), mul_div(index + 1, extent, STEPS)


def band_colour(index, start, end):
    return tuple(s + mul_div(index, e - s, STEPS) for s, e in zip(start, end))


def band_at(y, extent):
    """The band that covers row (or column) y of a gradient over `extent` pixels."""
    for index in range(STEPS + 1):
        top, bottom = band_edges(index, extent)
        if top <= y < bottom:
            return index
    raise ValueError(f"{y} is outside 0..{extent}")
