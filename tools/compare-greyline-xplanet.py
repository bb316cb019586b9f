#!/usr/bin/python3
"""Times `orvane-cli greyline` against xplanet drawing the same day/night map.

Both programs make a 1920 x 960 rectangular (equirectangular) day/night map of
the earth for the same moment and write a PNG; each run is a whole process,
start to exit. xplanet gets the same fine relief picture (resources/map/
EARTH2048.png) as its day image (its own imagery package is not needed), so
both start from the same data. The runs alternate, and the median of each is
reported with the ratio. --twilight has orvane-cli grade the twilight bands
(xplanet always blends its day/night edge).

Usage: /usr/bin/python3 tools/compare-greyline-xplanet.py [--cli PATH] [--runs N] [--size WxH] [--twilight]
KEEP_PICTURES=DIR keeps both pictures for a look.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def timed(cmd):
    start = time.perf_counter()
    done = subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if done.stderr.strip():  # xplanet reports a missing image on stderr and still exits 0
        sys.exit("%s: %s" % (os.path.basename(cmd[0]), done.stderr.decode(errors="replace").strip()))
    return elapsed


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--cli", default=os.path.join(ROOT, "build", "src", "app", "cli", "orvane-cli"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--size", default="1920x960")
    ap.add_argument("--twilight", action="store_true")
    args = ap.parse_args()
    xplanet = shutil.which("xplanet")
    if not xplanet:
        sys.exit("xplanet is not installed (Debian package xplanet)")
    if not os.access(args.cli, os.X_OK):
        sys.exit("no orvane-cli at %s (build it first, or pass --cli)" % args.cli)

    with tempfile.TemporaryDirectory() as tmp:
        day = os.path.join(ROOT, "resources", "map", "EARTH2048.png")
        config = os.path.join(tmp, "xplanet.conf")
        with open(config, "w") as f:
            f.write("[earth]\nimage=%s\nshade=30\n" % day)
        ours = [args.cli, "greyline", "--at", "2026-06-21T12:00:00Z", "--size", args.size, "--level", "3",
                "-o", os.path.join(tmp, "orvane.png")] + (["--twilight"] if args.twilight else [])
        theirs = [xplanet, "-num_times", "1", "-config", config, "-projection", "rectangular",
                  "-geometry", args.size, "-date", "20260621.120000", "-body", "earth",
                  "-longitude", "0", "-latitude", "0", "-output", os.path.join(tmp, "xplanet.png")]
        keep = os.environ.get("KEEP_PICTURES")
        a, b = [], []
        for _ in range(args.runs):
            a.append(timed(ours))
            b.append(timed(theirs))
        if keep:
            for name in ("orvane.png", "xplanet.png"):
                shutil.copy(os.path.join(tmp, name), os.path.join(keep, name))
        ta, tb = statistics.median(a), statistics.median(b)
        print("size %s%s, %d runs each, median wall time per process:"
              % (args.size, " with twilight" if args.twilight else "", args.runs))
        print("  orvane-cli greyline  %7.1f ms" % (ta * 1000))
        print("  xplanet rectangular  %7.1f ms" % (tb * 1000))
        print("  ratio xplanet/orvane %7.2f" % (tb / ta))


if __name__ == "__main__":
    main()
