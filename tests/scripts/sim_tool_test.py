#!/usr/bin/env python3
"""Independent re-computation of `lumora-tool sim` for a short run, at the default speed and
size and with --speed and --size.

Every float operation is rounded to single precision after it is done in double, which is
exactly what IEEE single-precision arithmetic gives for + - * / and sqrt, so the values
must match the tool's output digit for digit."""
import math
import struct
import subprocess
import sys


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


class Rand:
    def __init__(self):
        self.q = 1

    def draw(self):
        self.q = (self.q * 214013 + 2531011) & 0xFFFFFFFF
        r = (self.q >> 16) & 0x7FFF
        s = f32(r / 32767.0 * 2.0 - 1.0)
        return f32(s * abs(s))


def trig(fn, t, c):
    return f32(fn(f32(t * c)))


def emitter(t):
    x = f32(f32(300.0 * trig(math.cos, t, 3.314)) * trig(math.sin, t, 1.321))
    y = f32(f32(f32(100.0 * trig(math.sin, t, 1.31)) * trig(math.cos, t, 1.714)) - 100.0)
    z = f32(f32(f32(300.0 * trig(math.sin, t, 2.312)) * trig(math.cos, t, 2.8142)) + 50.0)
    return x, y, z


def table(scheme):
    if scheme == 0:
        out = []
        for i in range(12):
            r = f32(float(i) / 22.0)
            out.append((r, f32(r * 0.5), f32(r / 10.0), 1.0))
        return out
    if scheme == 1:
        out = []
        for i in range(12):
            h = f32(i * 0.5)
            rg = f32(h / 10.0)
            out.append((rg, rg, h, 1.0))
        return out
    if scheme == 2:
        return [(f32(i / 222.0),) * 4 for i in range(12)]
    cheer = [(0, 0, 0), (0, 0, .25), (0, 0, .5), (0, 0, 1), (0, .5, 1), (0, 1, 1), (0, 1, .5),
             (0, 1, 0), (.5, 1, 0), (1, 1, 0), (1, .5, 0), (1, 0, 0)]
    return [(r, g, b, 0.0) for r, g, b in cheer]


def simulate(frames, scheme, speed=40):
    step = f32(0.001 * speed / 40.0)
    rnd = Rand()
    parts = []
    last = 0.0
    rem = 0.0
    clock = 0.0
    em = (0.0, 0.0, 0.0)
    for _ in range(frames):
        if clock > 10.0:
            clock = 0.0
            last = 0.0
        clock = f32(clock + step)
        dt = f32(clock - last)
        last = clock
        x = f32(f32(6000.0 * dt) + rem)
        n = int(x) if x >= 1.0 else 0
        rem = f32(x - n)
        for _ in range(n):
            a = rnd.draw()
            b = rnd.draw()
            dx, dy, dz = f32(f32(0.3) * b), 1.0, f32(f32(0.3) * a)
            length = f32(math.sqrt(f32(f32(f32(dx * dx) + f32(dy * dy)) + f32(dz * dz))))
            dx, dy, dz = f32(dx / length), f32(dy / length), f32(dz / length)
            speed = f32(200.0 + f32(50.0 * rnd.draw()))
            size = f32(5.0 + f32(2.0 * rnd.draw()))
            life = f32(1.0 + f32(3.0 * rnd.draw()))
            inv = f32(1.0 / life) if life != 0.0 else math.inf
            parts.append([em[0], em[1], em[2], size, f32(dx * speed), f32(dy * speed), f32(dz * speed), life, inv])
        kept = []
        for p in parts:
            p[7] = f32(p[7] - dt)
            if p[7] < 0.0:
                continue
            # friction 1: k = 1, the multiply changes nothing
            p[0] = f32(p[0] + f32(p[4] * dt))
            p[1] = f32(p[1] + f32(p[5] * dt))
            p[2] = f32(p[2] + f32(p[6] * dt))
            kept.append(p)
        parts = kept
        em = emitter(clock)
    return clock, em, parts


def g(x):
    return "%.9g" % x


def run_and_check(tool, frames, scheme, extra=(), speed=40, size=80):
    """Runs the tool and checks every line against the re-computation; returns the lines."""
    out = subprocess.run([tool, "sim", "--frames", str(frames), "--scheme", str(scheme), "--vertices"] + list(extra),
                         check=True, capture_output=True, text=True).stdout.splitlines()
    clock, em, parts = simulate(frames, scheme, speed)
    head = "frames %d clock %s emitter %s %s %s count %d" % (frames, g(clock), g(em[0]), g(em[1]), g(em[2]), len(parts))
    assert out[0] == head, "header differs:\n  tool %s\n  ref  %s" % (out[0], head)
    for i, p in enumerate(parts):
        want = "p " + " ".join(g(v) for v in p)
        assert out[1 + i] == want, "particle %d differs:\n  tool %s\n  ref  %s" % (i, out[1 + i], want)
    T = table(scheme)
    scale = f32(size / 80.0)
    offs = [(-scale, scale), (scale, scale), (scale, -scale), (-scale, -scale)]
    uv = [(0, 0), (1, 0), (1, 1), (0, 1)]
    base = 1 + len(parts)
    for i, p in enumerate(parts):
        f = f32(f32(p[7] * p[8]) * 11.0)
        if f >= 11.0:
            c = T[11]
        else:
            k = int(f)
            t = f32(f - k)
            c = tuple(f32(T[k][j] + f32(t * f32(T[k + 1][j] - T[k][j]))) for j in range(4))
        for corner in range(4):
            ox, oy = offs[corner]
            want = "v " + " ".join(g(v) for v in (
                f32(p[0] + f32(ox * p[3])), f32(p[1] + f32(oy * p[3])), f32(p[2] + f32(0.0 * p[3])),
                uv[corner][0], uv[corner][1]) + c)
            got = out[base + 4 * i + corner]
            assert got == want, "vertex %d/%d differs:\n  tool %s\n  ref  %s" % (i, corner, got, want)
    assert len(out) == 1 + 5 * len(parts), "line count %d" % len(out)
    return out


def main():
    tool = sys.argv[1]
    frames, scheme = 150, 3
    plain = run_and_check(tool, frames, scheme)
    count = int(plain[0].split()[-1])
    print("sim: %d particles and %d vertices match the re-computation" % (count, 4 * count))

    # Speed 80: twice the simulated time per frame.
    fast = run_and_check(tool, frames, scheme, ["--speed", "80"], speed=80)
    fast_next = subprocess.run([tool, "sim", "--frames", str(frames + 1), "--speed", "80"], check=True,
                               capture_output=True, text=True).stdout.splitlines()
    step = float(fast_next[0].split()[3]) - float(fast[0].split()[3])
    assert abs(step - 0.002) < 1e-6, "speed 80 advances the clock by %r" % step
    assert abs(float(fast[0].split()[3]) - 0.002 * frames) < 1e-5, fast[0]
    # Speed 40 given explicitly is the default, digit for digit.
    explicit = subprocess.run([tool, "sim", "--frames", str(frames), "--scheme", str(scheme), "--vertices",
                               "--speed", "40", "--size", "80"], check=True, capture_output=True, text=True)
    assert explicit.stdout.splitlines() == plain, "--speed 40 --size 80 differs from the defaults"

    # Size 40: the same particles, every corner half as far from its particle's centre.
    half = run_and_check(tool, frames, scheme, ["--size", "40"], size=40)
    assert half[:1 + count] == plain[:1 + count], "size changes the simulation"
    for i in range(count):
        p = [float(x) for x in plain[1 + i].split()[1:]]
        for corner in range(4):
            a = [float(x) for x in plain[1 + count + 4 * i + corner].split()[1:3]]
            b = [float(x) for x in half[1 + count + 4 * i + corner].split()[1:3]]
            for axis in range(2):
                full_off, half_off = a[axis] - p[axis], b[axis] - p[axis]
                assert abs(half_off - full_off / 2) <= 1e-4 * max(1.0, abs(p[axis])), (i, corner, full_off, half_off)
    print("sim: speed 80 steps 0.002 a frame, size 40 halves the particles, both re-computed exactly")

    # Out of range, as a hand-edited settings file may hold them: clamped, never frozen or exploding.
    for speed, want in (("0", 1), ("1000000000", 100)):
        got = run_and_check(tool, 20, scheme, ["--speed", speed], speed=want)
        assert float(got[0].split()[3]) > 0.0
    print("sim: speed 0 and 10^9 run as 1 and 100")


if __name__ == "__main__":
    main()
