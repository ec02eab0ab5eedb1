#!/usr/bin/env python3
"""Renders a binary STL or a 3MF file of the converter to a PNG picture.

Usage: render_print.py INPUT.stl|INPUT.3mf OUTPUT.png [TITLE]

A binary STL is drawn in one grey, a 3MF file object by object in the
display colours of its base materials.  Made for the pictures in docs/ of
the solid and the colour 3MF (Debian python3-matplotlib).
"""
import re
import struct
import sys
import zipfile

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from mpl_toolkits.mplot3d.art3d import Poly3DCollection  # noqa: E402


def read_binary_stl(path):
    with open(path, "rb") as f:
        data = f.read()
    (count,) = struct.unpack_from("<I", data, 80)
    triangles = []
    for n in range(count):
        values = struct.unpack_from("<12f", data, 84 + 50 * n)
        triangles.append([values[3:6], values[6:9], values[9:12]])
    return [("#B0B0B0", triangles)]


def read_3mf(path):
    with zipfile.ZipFile(path) as package:
        text = package.read("3D/3dmodel.model").decode()
    colours = re.findall(r'<base name="[^"]*" displaycolor="(#[0-9A-F]{6})"', text)
    objects = []
    for match in re.finditer(r'<object [^>]*pindex="(\d+)">(.*?)</object>', text, re.S):
        body = match.group(2)
        vertices = [tuple(map(float, v)) for v in re.findall(r'<vertex x="([^"]+)" y="([^"]+)" z="([^"]+)"', body)]
        triangles = [
            [vertices[int(a)], vertices[int(b)], vertices[int(c)]]
            for a, b, c in re.findall(r'<triangle v1="(\d+)" v2="(\d+)" v3="(\d+)"', body)
        ]
        objects.append((colours[int(match.group(1))], triangles))
    return objects


def shaded(colour, triangles):
    """The colour of each facet lit from the upper left front (Lambert, with ambient light)."""
    base = matplotlib.colors.to_rgb(colour)
    light = (-0.4, -0.5, 0.77)
    colours = []
    for a, b, c in triangles:
        u = [b[k] - a[k] for k in range(3)]
        v = [c[k] - a[k] for k in range(3)]
        n = (u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0])
        length = sum(x * x for x in n) ** 0.5 or 1
        lit = max(0.0, sum(n[k] * light[k] for k in range(3)) / length)
        colours.append(tuple(min(1.0, channel * (0.35 + 0.75 * lit)) for channel in base))
    return colours


def main():
    source, target = sys.argv[1], sys.argv[2]
    title = sys.argv[3] if len(sys.argv) > 3 else ""
    objects = read_3mf(source) if source.endswith(".3mf") else read_binary_stl(source)
    figure = plt.figure(figsize=(8, 6), dpi=100)
    axes = figure.add_subplot(projection="3d")
    low = [1e9] * 3
    high = [-1e9] * 3
    for colour, triangles in objects:
        axes.add_collection3d(Poly3DCollection(triangles, facecolors=shaded(colour, triangles), edgecolor="none"))
        for triangle in triangles:
            for corner in triangle:
                for k in range(3):
                    low[k] = min(low[k], corner[k])
                    high[k] = max(high[k], corner[k])
    middle = [(low[k] + high[k]) / 2 for k in range(3)]
    half = max(high[k] - low[k] for k in range(3)) / 2
    axes.set_xlim(middle[0] - half, middle[0] + half)
    axes.set_ylim(middle[1] - half, middle[1] + half)
    axes.set_zlim(middle[2] - half, middle[2] + half)
    axes.set_box_aspect((1, 1, 1))
    axes.set_axis_off()
    axes.view_init(elev=20, azim=-60)
    if title:
        axes.set_title(title)
    figure.savefig(target, bbox_inches="tight")


if __name__ == "__main__":
    main()
