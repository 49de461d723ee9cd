#!/usr/bin/env python3
"""Draws the toolbar button pictures (16 x 15 pixels, PNG with alpha) into
media/toolbar. Run it again after changing a picture here:

    python3 tools/toolbar_pictures.py

Each picture is a few flat shapes on a transparent ground, in a small
palette, so that it stays readable at its size."""

import os
import struct
import sys
import zlib

W, H = 16, 15

INK = (40, 40, 48, 255)
GREY = (128, 128, 136, 255)
LIGHT = (200, 200, 208, 255)
WHITE = (255, 255, 255, 255)
BLUE = (40, 96, 200, 255)
SKY = (120, 170, 240, 255)
GREEN = (40, 150, 60, 255)
RED = (200, 40, 40, 255)
ORANGE = (230, 140, 30, 255)
YELLOW = (240, 210, 50, 255)


class Canvas:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * W for _ in range(H)]

    def dot(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Filled, corners included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        """Outline, corners included."""
        for x in range(x0, x1 + 1):
            self.dot(x, y0, c)
            self.dot(x, y1, c)
        for y in range(y0, y1 + 1):
            self.dot(x0, y, c)
            self.dot(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.dot(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def poly(self, points, c):
        """Filled polygon: a pixel is inside when its centre is."""
        for y in range(H):
            cy = y + 0.5
            xs = []
            n = len(points)
            for i in range(n):
                (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
                if (ya <= cy < yb) or (yb <= cy < ya):
                    xs.append(xa + (cy - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(W):
                    if a <= x + 0.5 < b:
                        self.dot(x, y, c)
        for i in range(len(points)):
            (xa, ya), (xb, yb) = points[i], points[(i + 1) % len(points)]
            self.line(int(xa), int(ya), int(xb), int(yb), c)

    def disc(self, cx, cy, r, c):
        for y in range(H):
            for x in range(W):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.dot(x, y, c)

    def png(self):
        rows = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in self.px)

        def chunk(tag, data):
            return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0)
        return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def cube(c, face=SKY):
    """A small cube seen from the front, the object the views look at."""
    c.poly([(4, 3), (8, 1), (14, 1), (10, 3)], LIGHT)
    c.poly([(10, 3), (14, 1), (14, 8), (10, 10)], GREY)
    c.rect(4, 3, 10, 10, face)
    c.frame(4, 3, 10, 10, INK)


def eye_arrow(c, direction):
    """An arrow from the side the camera looks from."""
    if direction == "right":
        c.poly([(0, 11), (5, 11), (5, 9), (8, 12.5), (5, 15), (5, 13), (0, 13)], RED)
    elif direction == "left":
        c.poly([(15, 11), (10, 11), (10, 9), (7, 12.5), (10, 15), (10, 13), (15, 13)], RED)
    elif direction == "down":
        c.poly([(11, 0), (13, 0), (13, 3), (15, 3), (12, 6), (9, 3), (11, 3)], RED)
    elif direction == "up":
        c.poly([(11, 15), (13, 15), (13, 12), (15, 12), (12, 9), (9, 12), (11, 12)], RED)


def view_picture(side):
    def draw(c):
        cube(c)
        c.rect(6, 5, 8, 8, {"front": WHITE, "back": GREY}.get(side, SKY))
        eye_arrow(c, {"front": "right", "back": "left", "left": "right", "right": "left",
                      "top": "down", "bottom": "up"}[side])
        if side in ("left", "right"):
            c.line(12, 3, 12, 8, WHITE if side == "right" else INK)
    return draw


def panes(left, right):
    def draw(c):
        c.rect(1, 2, 14, 13, WHITE)
        c.frame(1, 2, 14, 13, INK)
        c.rect(2, 3, 13, 4, BLUE)
        if left:
            c.rect(2, 5, 5, 12, LIGHT)
        if right:
            c.rect(7 if left else 2, 5, 13, 12, SKY)
        if left and right:
            c.line(6, 5, 6, 12, INK)
    return draw


def tree(c):
    c.rect(1, 1, 5, 4, YELLOW)
    c.frame(1, 1, 5, 4, INK)
    c.line(3, 5, 3, 12, INK)
    for y in (7, 12):
        c.line(4, y, 7, y, INK)
        c.rect(8, y - 2, 13, y + 1, SKY)
        c.frame(8, y - 2, 13, y + 1, INK)


def lights(c):
    c.disc(7.5, 6, 5, YELLOW)
    c.line(3, 2, 5, 4, ORANGE)
    c.rect(5, 11, 9, 13, GREY)
    c.line(5, 12, 9, 12, INK)
    c.line(6, 14, 8, 14, INK)


def tasks(c):
    for y in (2, 6, 10):
        c.rect(1, y, 3, y + 2, GREEN)
        c.line(5, y + 1, 14, y + 1, INK)


def reduction(c):
    c.poly([(1, 13), (7, 1), (14, 13)], SKY)
    c.line(1, 13, 7, 1, INK)
    c.line(7, 1, 14, 13, INK)
    c.line(1, 13, 14, 13, INK)
    c.line(4, 7, 7, 13, INK)
    c.line(10, 7, 7, 13, INK)
    c.line(4, 7, 10, 7, INK)


def arrow_head(c, x, left):
    if left:
        c.poly([(x + 5, 2), (x + 5, 12), (x, 7)], BLUE)
    else:
        c.poly([(x, 2), (x, 12), (x + 5, 7)], BLUE)


def first(c):
    c.rect(3, 2, 4, 12, BLUE)
    arrow_head(c, 6, True)


def previous(c):
    arrow_head(c, 5, True)


def next_(c):
    arrow_head(c, 6, False)


def last(c):
    arrow_head(c, 5, False)
    c.rect(11, 2, 12, 12, BLUE)


def create(c):
    c.rect(6, 2, 9, 13, GREEN)
    c.rect(2, 6, 13, 9, GREEN)


def delete(c):
    for d in range(-1, 2):
        c.line(3 + d, 2, 13 + d, 12, RED)
        c.line(13 + d, 2, 3 + d, 12, RED)


def save(c):
    c.rect(2, 1, 13, 13, BLUE)
    c.rect(4, 1, 11, 5, WHITE)
    c.rect(5, 8, 10, 13, LIGHT)
    c.frame(2, 1, 13, 13, INK)


def cancel(c):
    c.disc(7.5, 7.5, 6.5, RED)
    c.rect(4, 6, 11, 8, WHITE)


def camera_body(c):
    c.rect(1, 4, 10, 11, GREY)
    c.frame(1, 4, 10, 11, INK)
    c.disc(5.5, 7.5, 2.2, SKY)
    c.poly([(10, 6), (14, 4), (14, 11), (10, 9)], INK)


def camera_forward(c):
    camera_body(c)
    c.poly([(2, 0), (9, 0), (9, -1), (12, 1.5), (9, 4), (9, 3), (2, 3)], RED)


def camera_updown(c):
    camera_body(c)
    c.poly([(12, 0), (15, 3), (13, 3), (13, 12), (15, 12), (12, 15), (9, 12), (11, 12), (11, 3), (9, 3)], RED)


def play(c):
    c.poly([(4, 1), (13, 7.5), (4, 14)], GREEN)


def pause(c):
    c.rect(3, 2, 6, 12, BLUE)
    c.rect(9, 2, 12, 12, BLUE)


def stop(c):
    c.rect(3, 2, 12, 12, RED)


def four_views(c):
    c.frame(1, 1, 14, 13, INK)
    c.line(7, 1, 7, 13, INK)
    c.line(1, 7, 14, 7, INK)
    c.rect(2, 2, 6, 6, SKY)
    c.rect(8, 2, 13, 6, LIGHT)
    c.rect(2, 8, 6, 12, LIGHT)
    c.rect(8, 8, 13, 12, LIGHT)


def shading(flat):
    def draw(c):
        if flat:
            c.poly([(1, 13), (7.5, 1), (7.5, 13)], BLUE)
            c.poly([(7.5, 1), (14, 13), (7.5, 13)], SKY)
        else:
            for x in range(1, 15):
                shade = 60 + x * 12
                for y in range(H):
                    c.dot(x, y, (shade // 3, shade // 2, shade, 255))
            for y in range(H):
                for x in range(W):
                    inside = abs(x + 0.5 - 7.5) <= (y + 0.5 - 1) * 6.5 / 12 and 1 <= y <= 13
                    if not inside:
                        c.dot(x, y, (0, 0, 0, 0))
    return draw


def point_fill(c):
    for x, y in ((7, 1), (1, 13), (14, 13), (4, 7), (11, 7), (7, 13)):
        c.rect(x, y, x + 1, y + 1, INK)


def wire_fill(c):
    c.line(7, 1, 1, 13, INK)
    c.line(7, 1, 14, 13, INK)
    c.line(1, 13, 14, 13, INK)
    c.line(4, 7, 11, 7, INK)
    c.line(4, 7, 7, 13, INK)
    c.line(11, 7, 7, 13, INK)


def solid_fill(c):
    c.poly([(7.5, 1), (1, 13.5), (14.5, 13.5)], BLUE)


def import_(c):
    c.rect(6, 4, 13, 13, WHITE)
    c.frame(6, 4, 13, 13, INK)
    c.poly([(0, 6), (4, 6), (4, 3), (8, 7.5), (4, 12), (4, 9), (0, 9)], GREEN)


def export(c):
    c.rect(1, 4, 8, 13, WHITE)
    c.frame(1, 4, 8, 13, INK)
    c.poly([(6, 6), (11, 6), (11, 3), (15, 7.5), (11, 12), (11, 9), (6, 9)], ORANGE)


def pmesh(c):
    reduction(c)
    c.rect(11, 0, 15, 3, GREEN)


def apply_(c):
    c.line(2, 7, 6, 11, GREEN)
    c.line(2, 8, 6, 12, GREEN)
    c.line(6, 11, 13, 3, GREEN)
    c.line(6, 12, 13, 4, GREEN)


def cmesh(c):
    wire_fill(c)
    for x, y in ((7, 1), (1, 13), (14, 13), (4, 7), (11, 7), (7, 13)):
        c.dot(x, y, RED)


def dxmesh(c):
    solid_fill(c)
    c.rect(10, 0, 15, 4, YELLOW)
    c.frame(10, 0, 15, 4, INK)


def reduce_(c):
    wire_fill(c)
    c.poly([(11, 9), (15, 9), (13, 13)], RED)
    c.rect(12, 5, 14, 9, RED)


def turbo(c):
    c.poly([(9, 0), (3, 8), (7, 8), (5, 14), (12, 5), (8, 5)], YELLOW)
    c.line(9, 0, 3, 8, INK)
    c.line(12, 5, 5, 14, INK)


PICTURES = {
    # 3D views toolbar
    "view_back.png": view_picture("back"),
    "view_front.png": view_picture("front"),
    "view_left.png": view_picture("left"),
    "view_right.png": view_picture("right"),
    "view_top.png": view_picture("top"),
    "view_bottom.png": view_picture("bottom"),
    # panes toolbar
    "panes_both.png": panes(True, True),
    "panes_hide_tool.png": panes(False, True),
    "panes_hide_3d.png": panes(True, False),
    "tool_objects.png": tree,
    "tool_lights.png": lights,
    "tool_tasks.png": tasks,
    "tool_reduction.png": reduction,
    # navigation toolbar
    "nav_first.png": first,
    "nav_previous.png": previous,
    "nav_next.png": next_,
    "nav_last.png": last,
    "nav_create.png": create,
    "nav_delete.png": delete,
    "nav_save.png": save,
    "nav_cancel.png": cancel,
    # camera properties and animation toolbars
    "camera_forward.png": camera_forward,
    "camera_updown.png": camera_updown,
    "anim_play.png": play,
    "anim_pause.png": pause,
    "anim_stop.png": stop,
    # 3D view mode toolbar of the 3D view windows
    "four_views.png": four_views,
    "shade_flat.png": shading(True),
    "shade_gouraud.png": shading(False),
    "fill_point.png": point_fill,
    "fill_wire.png": wire_fill,
    "fill_solid.png": solid_fill,
    # reduction-steps toolbars of the main window
    "import.png": import_,
    "pmesh.png": pmesh,
    "apply.png": apply_,
    "export.png": export,
    "cmesh.png": cmesh,
    "dxmesh.png": dxmesh,
    "reduce.png": reduce_,
    "turbo.png": turbo,
}


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = os.path.join(root, "media", "toolbar")
    os.makedirs(folder, exist_ok=True)
    for name, draw in PICTURES.items():
        canvas = Canvas()
        draw(canvas)
        with open(os.path.join(folder, name), "wb") as out:
            out.write(canvas.png())
    print(f"{len(PICTURES)} pictures in {folder}", file=sys.stderr)


if __name__ == "__main__":
    main()
