#!/usr/bin/env python3
"""Questions about the app's screenshots, in the window's points.

The screenshots are PNGs of the whole window; a point is `scale` pixels, where
scale is the picture's width over POINTS_WIDTH (320 for the phone window).

  png_probe.py pixel A x y                 the colour at a point
  png_probe.py diff A B x0 y0 x1 y1        percent of points that differ in the box
  png_probe.py differ|same A B x0 y0 x1 y1 exit 0 when the box changed (or not)
  png_probe.py dark A x0 y0 x1 y1 share    exit 0 when at least `share` of the box is dark
  png_probe.py ink A x0 y0 x1 y1           exit 0 for light paper with some dark letters
  png_probe.py blue|red A x y              exit 0 when the point is that colour
  png_probe.py runs A y x0 x1 r g b [tol]  the runs of points on row y (x0 to x1) of that
                                           colour, as "start-end" (end exclusive)
  png_probe.py count A x0 y0 x1 y1 r g b [tol]
                                           the points of that colour in the box; exit 0 when any
"""
import os
import struct
import sys
import zlib

POINTS_WIDTH = int(os.environ.get("PW_POINTS_WIDTH", "320"))


def unfilter(raw, w, h, bpp):
    """The rows of a PNG's inflated data, its filters undone."""
    stride, rows, prev = w * bpp, [], bytearray(w * bpp)
    for y in range(h):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if f == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 255
        elif f == 2:
            for i in range(stride):
                line[i] = (line[i] + prev[i]) & 255
        elif f == 3:
            for i in range(stride):
                line[i] = (line[i] + ((line[i - bpp] if i >= bpp else 0) + prev[i]) // 2) & 255
        elif f == 4:
            for i in range(bpp):
                line[i] = (line[i] + prev[i]) & 255
            for i in range(bpp, stride):
                a, b, c = line[i - bpp], prev[i], prev[i - bpp]
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return rows


def load(path):
    # A picture is often asked several questions: its decoded rows are kept
    # in the folder PW_PROBE_CACHE names, when it does (a pure-Python decode
    # of a tablet-sized picture takes seconds of a busy machine).
    folder = os.environ.get("PW_PROBE_CACHE")
    cache = os.path.join(folder, os.path.abspath(path).replace("/", "_") + ".rows") if folder else None
    try:
        if cache and os.path.getmtime(cache) >= os.path.getmtime(path):
            blob = open(cache, "rb").read()
            w, h, bpp = struct.unpack(">III", blob[:12])
            stride = w * bpp
            rows = [blob[12 + y * stride:12 + (y + 1) * stride] for y in range(h)]
            scale = max(1, w // POINTS_WIDTH)
            return lambda x, y: tuple(rows[y * scale][x * scale * bpp:x * scale * bpp + 3])
    except OSError:
        pass
    data = open(path, "rb").read()
    pos, idat, w, h, ct = 8, b"", 0, 0, 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, _, ct = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    bpp = 4 if ct == 6 else 3
    rows = unfilter(zlib.decompress(idat), w, h, bpp)
    try:
        if not cache:
            raise OSError
        with open(cache + ".part", "wb") as out:
            out.write(struct.pack(">III", w, h, bpp))
            for line in rows:
                out.write(line)
        os.replace(cache + ".part", cache)
    except OSError:
        pass
    scale = max(1, w // POINTS_WIDTH)
    return lambda x, y: tuple(rows[y * scale][x * scale * bpp:x * scale * bpp + 3])


def box(img, x0, y0, x1, y1, step=1):
    return [img(x, y) for y in range(y0, y1, step) for x in range(x0, x1, step)]


def dark(r, g, b):
    return r < 90 and g < 90 and b < 90


def share(pred, points):
    return sum(1 for p in points if pred(*p)) / max(len(points), 1)


def near(c, rgb, tol):
    return all(abs(a - b) <= tol for a, b in zip(c, rgb))


def main(op, args):
    if op == "runs":
        img, y, x0, x1 = load(args[0]), *map(int, args[1:4])
        rgb, tol = tuple(map(int, args[4:7])), int(args[7]) if len(args) > 7 else 12
        runs, start = [], None
        for x in range(x0, x1 + 1):
            hit = x < x1 and near(img(x, y), rgb, tol)
            if hit and start is None:
                start = x
            elif not hit and start is not None:
                runs.append(f"{start}-{x}")
                start = None
        print(" ".join(runs))
        return 0
    if op == "count":
        img, (x0, y0, x1, y1) = load(args[0]), map(int, args[1:5])
        rgb, tol = tuple(map(int, args[5:8])), int(args[8]) if len(args) > 8 else 12
        n = sum(1 for p in box(img, x0, y0, x1, y1) if near(p, rgb, tol))
        print(n)
        return 0 if n else 1
    if op == "pixel":
        print(*load(args[0])(int(args[1]), int(args[2])))
        return 0
    if op in ("diff", "differ", "same"):
        a, b = load(args[0]), load(args[1])
        x0, y0, x1, y1 = map(int, args[2:6])
        # The second picture's box may sit dy points lower (content that moved down).
        dy = int(args[6]) if len(args) > 6 else 0
        # A percentage looks at every point; a yes-or-no at every other one,
        # and wants more than 50 of those to change.
        step = 1 if op == "diff" else 2
        pa, pb = box(a, x0, y0, x1, y1, step), box(b, x0, y0 + dy, x1, y1 + dy, step)
        changed = sum(1 for p, q in zip(pa, pb) if p != q)
        if op == "diff":
            print(f"{100.0 * changed / max(len(pa), 1):.1f}")
            return 0
        print(changed)
        return 0 if (changed > 50) == (op == "differ") else 1
    if op == "dark":
        s = share(dark, box(load(args[0]), *map(int, args[1:5]), step=2))
        print(f"{s:.2f}")
        return 0 if s >= float(args[5]) else 1
    if op == "ink":
        s = share(dark, box(load(args[0]), *map(int, args[1:5]), step=2))
        print(f"{s:.2f}")
        return 0 if 0.02 < s < 0.6 else 1
    if op in ("blue", "red"):
        r, g, b = load(args[0])(int(args[1]), int(args[2]))
        print(r, g, b)
        return 0 if (b > r + 40 if op == "blue" else r > 180 and g < 90) else 1
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2:]))
