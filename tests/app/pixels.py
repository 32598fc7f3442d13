"""A screenshot's points for a tour's own searches in Python, read through
pw_png_probe (the PW_PNG_PROBE the tests are given) so one decoder serves
every question about the pictures."""
import os
import subprocess


def load(path):
    """img(x, y) -> (r, g, b) at a point of the picture, in the window's points."""
    out = subprocess.run([os.environ["PW_PNG_PROBE"], "points", path], check=True, stdout=subprocess.PIPE).stdout
    head, _, data = out.partition(b"\n")
    w, h = map(int, head.split())

    def img(x, y):
        if not (0 <= x < w and 0 <= y < h):
            return (0, 0, 0)
        i = (y * w + x) * 3
        return tuple(data[i:i + 3])

    return img
