"""python3 -m velloway [--size WxH | --native] [--threshold N] [--jobs N] IMAGE|FOLDER...

Prints what ``velloway colorart --json`` prints: one JSON object per image, in the order of
the arguments (a folder stands for the PNG and JPEG files under it, sorted), with an "image"
field when there are several. A file that fails is named on stderr, and the exit status is 2."""

import argparse
import json
import os
import sys
from concurrent.futures import ThreadPoolExecutor

from . import _colorart, colorart

ROLES = ("background", "primary", "secondary", "detail")


def as_json(path, art, several):
    """The object `velloway colorart --json` prints for one image."""
    obj = {"image": path} if several else {}
    for role in ROLES:
        c = getattr(art, role)
        obj[role] = {"hex": c.hex, "r": c.r, "g": c.g, "b": c.b, "a": c.a}
    obj["missed"] = list(art.missed)
    return json.dumps(obj, separators=(",", ":"), ensure_ascii=False)


def parse_size(text):
    width, sep, height = text.lower().partition("x")
    try:
        size = (float(width), float(height))
    except ValueError:
        size = None
    if not sep or size is None or not size[0] > 0 or not size[1] > 0:
        raise argparse.ArgumentTypeError(f"bad --size '{text}': expected WIDTHxHEIGHT, both positive")
    return size


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python3 -m velloway", description=__doc__.split("\n\n")[1])
    parser.add_argument("--size", type=parse_size, default=(512.0, 512.0), metavar="WxH")
    parser.add_argument("--native", action="store_true", help="analyse each image at its own size")
    parser.add_argument("--threshold", type=int, default=2, metavar="N")
    parser.add_argument("--jobs", "-j", type=int, default=os.cpu_count() or 1, metavar="N")
    parser.add_argument("images", nargs="+", metavar="IMAGE|FOLDER")
    args = parser.parse_args(argv)
    size = None if args.native else args.size
    inputs = _colorart.expand_arguments(args.images)
    several = len(inputs) > 1

    def analyse(item):
        path, error = item
        if error:
            return path, None, error
        try:
            return path, colorart(path, size=size, threshold=args.threshold), None
        except (OSError, ValueError) as e:
            return path, None, str(e).removeprefix(path + ": ")

    status = 0
    with ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        for path, art, error in pool.map(analyse, inputs):
            if error:
                sys.stdout.flush()
                print(f"velloway colorart: {path}: {error}", file=sys.stderr)
                status = 2
            else:
                print(as_json(path, art, several), flush=True)
    return status


if __name__ == "__main__":
    sys.exit(main())
