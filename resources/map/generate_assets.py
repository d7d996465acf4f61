#!/usr/bin/env python3
"""Draws the editor's pictures: the world map (bitmap 130), the map marker (icon 133) and the
application icon (icon 128).

Standard library only, and deterministic: the same seed draws the same pixels on every machine,
so the committed files can be checked by running this again and comparing.

    python3 resources/map/generate_assets.py   # rewrites world.bmp, marker.png, app.png here
    python3 resources/map/generate_assets.py --app-icons DIR 16 48   # DIR/16x16/apps/spawn-editor.png, ...
    python3 resources/map/generate_assets.py --windows-icons DIR     # DIR/app.ico, DIR/marker.ico

The second form draws the application icon at the sizes of a desktop icon theme, for the package;
the third the icons of the Windows program: the application icon at the sizes Windows shows, and
the marker as one 128 x 128 image of 24 bits, the same pixels as marker.png.
"""

import heapq
import math
import os
import struct
import sys
import zlib

SEED = 313

MAP_WIDTH = 437
MAP_HEIGHT = 504

# The map grid the editor converts to: 800 columns by 1100 rows. The faint grid lines are drawn
# every 100 map pixels, so they line up with the coordinates shown in the boxes.
GRID_COLUMNS = 800
GRID_ROWS = 1100
GRID_STEP = 100

ICON_SIZE = 128


# ---------------------------------------------------------------------------------------------
# File writers


def write_bmp(path, width, height, rgb):
    """Writes an uncompressed 24-bit BMP (bottom-up rows, each padded to 4 bytes)."""
    row_size = (width * 3 + 3) // 4 * 4
    padding = bytes(row_size - width * 3)
    image = bytearray()
    for y in range(height - 1, -1, -1):
        row = rgb[y * width:(y + 1) * width]
        for r, g, b in row:
            image += bytes((b, g, r))
        image += padding
    file_header_size = 14
    info_header_size = 40
    offset = file_header_size + info_header_size
    pixels_per_metre = 2835  # 72 dpi
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", info_header_size, width, height, 1, 24, 0, len(image),
                       pixels_per_metre, pixels_per_metre, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + image)


def write_png(path, width, height, rgba):
    """Writes an 8-bit RGBA PNG."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter: none
        for r, g, b, a in rgba[y * width:(y + 1) * width]:
            raw += bytes((r, g, b, a))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def ico_image(width, height, rgba, bits):
    """One image of an .ico file: a BITMAPINFOHEADER of twice the height, the colour rows bottom-up
    (BGR, or BGRA for 32 bits) and the 1-bit mask, set where the pixel is fully transparent."""
    colour_row = (width * bits // 8 + 3) // 4 * 4
    mask_row = ((width + 31) // 32) * 4
    colour = bytearray()
    mask = bytearray()
    for y in range(height - 1, -1, -1):
        row = rgba[y * width:(y + 1) * width]
        line = bytearray()
        for r, g, b, a in row:
            line += bytes((b, g, r, a)) if bits == 32 else bytes((b, g, r))
        colour += line + bytes(colour_row - len(line))
        bitmask = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bitmask[x // 8] |= 0x80 >> (x % 8)
        mask += bitmask
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bits, 0, len(colour) + len(mask),
                         0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def write_ico(path, images):
    """`images`: (size, bits, rgba) for each image, square."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    data = b""
    offset = 6 + 16 * len(images)
    for size, bits, rgba in images:
        image = ico_image(size, size, rgba, bits)
        side = size if size < 256 else 0
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, bits, len(image), offset + len(data))
        data += image
    with open(path, "wb") as f:
        f.write(directory + data)


# ---------------------------------------------------------------------------------------------
# Small helpers


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def smoothstep(a, b, v):
    t = clamp((v - a) / (b - a))
    return t * t * (3 - 2 * t)


def mix(c1, c2, t):
    return tuple(x + (y - x) * t for x, y in zip(c1, c2))


def to_byte(c):
    return tuple(int(round(clamp(x, 0, 255))) for x in c)


def hash01(ix, iy, seed):
    """A well-mixed hash of a lattice point, in [0, 1)."""
    h = (ix * 374761393 + iy * 668265263 + seed * 982451653) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    h = ((h ^ (h >> 16)) * 2246822519) & 0xFFFFFFFF
    h ^= h >> 15
    return h / 4294967296.0


def value_noise_field(width, height, cell, seed):
    """Smoothly interpolated value noise with lattice spacing `cell` pixels, as rows of floats."""
    cols = int(width / cell) + 3
    rows = int(height / cell) + 3
    lattice = [[hash01(i, j, seed) for i in range(cols)] for j in range(rows)]

    def axis(n):
        out = []
        for p in range(n):
            f = p / cell
            i = int(f)
            t = f - i
            out.append((i, t * t * (3 - 2 * t)))
        return out

    xs = axis(width)
    field = []
    for j, ty in axis(height):
        top = lattice[j]
        bottom = lattice[j + 1]
        row = []
        for i, tx in xs:
            a = top[i] + (top[i + 1] - top[i]) * tx
            b = bottom[i] + (bottom[i + 1] - bottom[i]) * tx
            row.append(a + (b - a) * ty)
        field.append(row)
    return field


def fbm_field(width, height, base_cell, octaves, seed, gain=0.5):
    """Fractal noise: octaves of value noise, each at half the cell size of the previous."""
    total = [[0.0] * width for _ in range(height)]
    amplitude = 1.0
    norm = 0.0
    cell = base_cell
    for o in range(octaves):
        layer = value_noise_field(width, height, cell, seed * 31 + o)
        for y in range(height):
            t = total[y]
            l = layer[y]
            for x in range(width):
                t[x] += l[x] * amplitude
        norm += amplitude
        amplitude *= gain
        cell = max(cell / 2.0, 1.5)
    return [[v / norm for v in row] for row in total]


def sample(field, x, y):
    """Bilinear sample of a field at a fractional position, clamped to its edges."""
    h = len(field)
    w = len(field[0])
    x = clamp(x, 0, w - 1.001)
    y = clamp(y, 0, h - 1.001)
    i = int(x)
    j = int(y)
    tx = x - i
    ty = y - j
    a = field[j][i] + (field[j][i + 1] - field[j][i]) * tx
    b = field[j + 1][i] + (field[j + 1][i + 1] - field[j + 1][i]) * tx
    return a + (b - a) * ty


def quantile(values, q):
    ordered = sorted(values)
    return ordered[int(q * (len(ordered) - 1))]


# ---------------------------------------------------------------------------------------------
# The world map

DEEP_SEA = (22, 52, 98)
OPEN_SEA = (38, 86, 140)
SHALLOW_SEA = (86, 150, 186)
SURF = (150, 196, 208)
RIVER = (64, 124, 178)
LAKE = (70, 132, 180)
SAND = (220, 204, 156)
DRY_PLAIN = (184, 178, 112)
GRASS = (118, 164, 86)
LUSH = (92, 148, 76)
FOREST = (52, 104, 60)
DARK_FOREST = (36, 82, 50)
HILLS = (150, 146, 100)
ROCK = (124, 110, 98)
HIGH_ROCK = (156, 148, 144)
SNOW = (242, 244, 248)
GRID = (20, 28, 40)

# A filled depression deeper than this is drawn as a lake.
LAKE_DEPTH = 0.02
FRAME = (34, 40, 52)


def elevation_map(width, height):
    """Land and sea heights: fractal noise, warped for ragged coasts, sinking toward the edges."""
    base = fbm_field(width, height, 96, 7, SEED)
    warp_x = fbm_field(width, height, 70, 4, SEED + 1)
    warp_y = fbm_field(width, height, 70, 4, SEED + 2)
    ridges = fbm_field(width, height, 48, 5, SEED + 3)
    warp = 64.0
    elevation = []
    for y in range(height):
        v = (y / height - 0.5) * 2
        row = []
        for x in range(width):
            u = (x / width - 0.5) * 2
            wx = x + (warp_x[y][x] - 0.5) * warp
            wy = y + (warp_y[y][x] - 0.5) * warp
            e = sample(base, wx, wy)
            # Ridged noise lifts mountain chains out of the higher ground.
            ridge = 1.0 - abs(ridges[y][x] - 0.5) * 2
            e += 0.22 * ridge ** 3 * smoothstep(0.45, 0.65, e)
            # The sea closes in at the edges: the land is a continent with islands off its coast.
            edge = math.sqrt(u * u * 0.85 + v * v * 0.8)
            e -= 0.5 * smoothstep(0.5, 1.1, edge)
            e -= 0.35 * smoothstep(0.82, 0.98, max(abs(u), abs(v)))
            row.append(e)
        elevation.append(row)
    return elevation


def drainage(elevation, sea_level):
    """Priority flood from the sea: every land pixel's downstream neighbour, the filled height
    (depressions filled up to their spill point) and the order in which pixels were reached."""
    height = len(elevation)
    width = len(elevation[0])
    filled = [row[:] for row in elevation]
    downstream = [[None] * width for _ in range(height)]
    seen = [[False] * width for _ in range(height)]
    heap = []
    for y in range(height):
        for x in range(width):
            if elevation[y][x] < sea_level or x in (0, width - 1) or y in (0, height - 1):
                seen[y][x] = True
                heapq.heappush(heap, (elevation[y][x], y, x))
    order = []
    step = 1e-5
    neighbours = ((-1, 0), (1, 0), (0, -1), (0, 1), (-1, -1), (1, -1), (-1, 1), (1, 1))
    while heap:
        level, y, x = heapq.heappop(heap)
        order.append((y, x))
        for dx, dy in neighbours:
            nx = x + dx
            ny = y + dy
            if 0 <= nx < width and 0 <= ny < height and not seen[ny][nx]:
                seen[ny][nx] = True
                filled[ny][nx] = max(elevation[ny][nx], level + step)
                downstream[ny][nx] = (y, x)
                heapq.heappush(heap, (filled[ny][nx], ny, nx))
    return filled, downstream, order


def draw_world_map(width, height):
    elevation = elevation_map(width, height)
    moisture = fbm_field(width, height, 80, 5, SEED + 7)
    texture = fbm_field(width, height, 3, 2, SEED + 11)

    flat = [e for row in elevation for e in row]
    sea_level = quantile(flat, 0.56)
    land = [e for e in flat if e >= sea_level]
    peak = quantile(land, 0.995)
    trough = quantile(flat, 0.0)

    filled, downstream, order = drainage(elevation, sea_level)

    # Rain falls on every land pixel, more where it is wet; rivers run where enough has gathered.
    flow = [[0.0] * width for _ in range(height)]
    for y, x in reversed(order):
        if elevation[y][x] < sea_level:
            continue
        flow[y][x] += 0.5 + moisture[y][x]
        d = downstream[y][x]
        if d is not None:
            flow[d[0]][d[1]] += flow[y][x]
    river_threshold = 350.0
    wide_river = 2500.0

    def height_of(x, y):
        return (elevation[y][x] - sea_level) / (peak - sea_level)

    rgb = []
    for y in range(height):
        for x in range(width):
            e = elevation[y][x]
            m = moisture[y][x]
            grain = texture[y][x] - 0.5
            if e < sea_level:
                depth = (sea_level - e) / (sea_level - trough)
                colour = mix(SHALLOW_SEA, OPEN_SEA, smoothstep(0.0, 0.1, depth))
                colour = mix(colour, DEEP_SEA, smoothstep(0.2, 0.8, depth))
                colour = mix(colour, SURF, 1.0 - smoothstep(0.0, 0.025, depth))
                colour = mix(colour, (255, 255, 255), grain * 0.04)
            else:
                h = height_of(x, y)
                lake_depth = filled[y][x] - e
                lake = lake_depth > LAKE_DEPTH and h < 0.55
                if lake:
                    colour = mix(LAKE, OPEN_SEA, smoothstep(LAKE_DEPTH, LAKE_DEPTH + 0.05, lake_depth))
                else:
                    if h < 0.03:
                        colour = SAND
                    else:
                        lowland = mix(DRY_PLAIN, GRASS, smoothstep(0.28, 0.45, m))
                        lowland = mix(lowland, LUSH, smoothstep(0.5, 0.7, m))
                        colour = mix(SAND, lowland, smoothstep(0.03, 0.07, h))
                    wooded = smoothstep(0.50, 0.56, m) * (1.0 - smoothstep(0.52, 0.62, h))
                    if wooded > 0:
                        # Forests are drawn as dense tree tops: dark and light speckles.
                        tree = DARK_FOREST if hash01(x, y, SEED + 13) < 0.35 + grain else FOREST
                        colour = mix(colour, tree, wooded)
                    colour = mix(colour, HILLS, smoothstep(0.42, 0.58, h))
                    colour = mix(colour, ROCK, smoothstep(0.58, 0.72, h))
                    colour = mix(colour, HIGH_ROCK, smoothstep(0.74, 0.84, h))
                    colour = mix(colour, SNOW, smoothstep(0.84, 0.9, h + grain * 0.08))
                    # Relief shading, lit from the upper left.
                    x0 = max(x - 1, 0)
                    x1 = min(x + 1, width - 1)
                    y0 = max(y - 1, 0)
                    y1 = min(y + 1, height - 1)
                    dx = height_of(x1, y) - height_of(x0, y)
                    dy = height_of(x, y1) - height_of(x, y0)
                    shade = clamp(1.0 - 9.0 * (dx + dy), 0.55, 1.35)
                    colour = tuple(c * shade for c in colour)
                    colour = mix(colour, (0, 0, 0), grain * 0.12)
                f = flow[y][x]
                if f > river_threshold and not lake:
                    strength = 0.75 + 0.25 * smoothstep(river_threshold, 3 * river_threshold, f)
                    colour = mix(colour, RIVER, strength)
            rgb.append(colour)

    # Wide rivers get a second pixel on their right-hand side.
    for y in range(height):
        for x in range(width - 1):
            in_lake = filled[y][x] - elevation[y][x] > LAKE_DEPTH
            if flow[y][x] > wide_river and elevation[y][x + 1] >= sea_level and not in_lake:
                rgb[y * width + x + 1] = mix(rgb[y * width + x + 1], RIVER, 0.75)

    # The faint grid: every 100 map pixels, as dotted lines.
    for k in range(1, GRID_COLUMNS // GRID_STEP):
        gx = round(width * k * GRID_STEP / GRID_COLUMNS)
        for y in range(height):
            if y % 3 != 2:
                rgb[y * width + gx] = mix(rgb[y * width + gx], GRID, 0.22)
    for k in range(1, GRID_ROWS // GRID_STEP):
        gy = round(height * k * GRID_STEP / GRID_ROWS)
        for x in range(width):
            if x % 3 != 2:
                rgb[gy * width + x] = mix(rgb[gy * width + x], GRID, 0.22)

    # A thin frame.
    for x in range(width):
        rgb[x] = FRAME
        rgb[(height - 1) * width + x] = FRAME
    for y in range(height):
        rgb[y * width] = FRAME
        rgb[y * width + width - 1] = FRAME

    return [to_byte(c) for c in rgb]


# ---------------------------------------------------------------------------------------------
# Icons, drawn with 4 x 4 supersampling for smooth edges


SUPERSAMPLE = 4


def render(size, shade):
    """`shade(u, v)` gives (r, g, b, a) in 0..1 for a point in [0, 1]^2; averaged per pixel."""
    pixels = []
    n = SUPERSAMPLE
    for y in range(size):
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = shade((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if alpha <= 0:
                pixels.append((0, 0, 0, 0))
            else:
                colour = tuple(int(round(255 * clamp(acc[i] / acc[3]))) for i in range(3))
                pixels.append(colour + (int(round(255 * alpha)),))
    return pixels


def marker_shade(u, v):
    """A red disc fading to black at its rim; the centre stays full red."""
    r = math.hypot(u - 0.5, v - 0.5) / 0.5
    if r > 1.0:
        return (0, 0, 0, 0)
    fade = 1.0 - smoothstep(0.3, 1.0, r)
    return (0.93 * fade, 0.09 * fade, 0.07 * fade, 1.0)


def app_shade(u, v):
    """The application icon: a map tile with a grid and a coast, and a red pin standing on it."""
    # Pin: a disc on top of a point, over the tile, with a white hole.
    px, py, pr = 0.6, 0.36, 0.2
    tip_y = 0.8
    d = math.hypot(u - px, v - py)
    in_head = d <= pr
    in_point = False
    if py <= v <= tip_y:
        # The point narrows linearly from the head's width to the tip.
        half = pr * 0.86 * (tip_y - v) / (tip_y - py)
        in_point = abs(u - px) <= half
    if d <= pr * 0.38:
        return (0.98, 0.96, 0.92, 1.0)
    if in_head or in_point:
        light = clamp(1.0 - ((u - px + 0.08) ** 2 + (v - py + 0.1) ** 2) * 6.0, 0.0, 1.0)
        return (0.62 + 0.36 * light, 0.08 + 0.12 * light, 0.07 + 0.1 * light, 1.0)
    # The pin's shadow on the tile.
    if math.hypot((u - px - 0.05) / 1.6, (v - tip_y - 0.02) / 0.5) < 0.05:
        return (0.05, 0.08, 0.1, 0.45)

    # Tile: a rounded square.
    margin = 0.06
    radius = 0.14
    qx = max(abs(u - 0.5) - (0.5 - margin - radius), 0.0)
    qy = max(abs(v - 0.5) - (0.5 - margin - radius), 0.0)
    if math.hypot(qx, qy) > radius:
        return (0, 0, 0, 0)
    # Land and sea from a few waves; a border around the tile.
    coast = 0.5 + 0.12 * math.sin(u * 7.0 + 1.0) + 0.07 * math.sin(v * 11.0 + 2.0) - 0.25 * (u - 0.5)
    if v > coast + 0.03:
        colour = (0.36, 0.62, 0.78)
    elif v > coast:
        colour = (0.86, 0.8, 0.6)
    else:
        colour = (0.48, 0.68, 0.36)
    if math.hypot(qx, qy) > radius - 0.025 or (qx == 0 and qy == 0 and
                                                 max(abs(u - 0.5), abs(v - 0.5)) > 0.5 - margin - 0.025):
        colour = (0.16, 0.2, 0.27)
    else:
        grid = 0.125
        if min(u % grid, v % grid) < 0.012:
            colour = mix(colour, (0.1, 0.14, 0.2), 0.3)
    return colour + (1.0,)


def write_app_icons(folder, sizes):
    """Each size drawn afresh rather than scaled from 128, so the small ones stay sharp."""
    for size in sizes:
        target = os.path.join(folder, "%dx%d" % (size, size), "apps")
        os.makedirs(target, exist_ok=True)
        write_png(os.path.join(target, "spawn-editor.png"), size, size, render(size, app_shade))


WINDOWS_APP_ICON_SIZES = (16, 24, 32, 48, 64)


def write_windows_icons(folder):
    os.makedirs(folder, exist_ok=True)
    write_ico(os.path.join(folder, "app.ico"),
              [(size, 32, render(size, app_shade)) for size in WINDOWS_APP_ICON_SIZES])
    write_ico(os.path.join(folder, "marker.ico"), [(ICON_SIZE, 24, render(ICON_SIZE, marker_shade))])


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "--app-icons":
        write_app_icons(sys.argv[2], [int(size) for size in sys.argv[3:]])
        return
    if len(sys.argv) == 3 and sys.argv[1] == "--windows-icons":
        write_windows_icons(sys.argv[2])
        return
    folder = os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(folder, "world.bmp"), MAP_WIDTH, MAP_HEIGHT, draw_world_map(MAP_WIDTH, MAP_HEIGHT))
    write_png(os.path.join(folder, "marker.png"), ICON_SIZE, ICON_SIZE, render(ICON_SIZE, marker_shade))
    write_png(os.path.join(folder, "app.png"), ICON_SIZE, ICON_SIZE, render(ICON_SIZE, app_shade))


if __name__ == "__main__":
    main()
