"""What the Python tests share: a temporary folder of generated images, the command's results."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest

import numpy
from PIL import Image

COMMAND = os.environ.get("VELLOWAY_COMMAND", "velloway")
COVER_JPEG = os.environ["COLORART_COVER_JPEG"]
PHOTOS = os.environ.get("VELLOWAY_BENCH_PHOTOS", "/usr/share/backgrounds/mate/nature")


def banded(width, height, seed=0):
    """Diagonal bands of saturated colours over a grey field, a coloured left edge, a little noise."""
    y, x = numpy.mgrid[0:height, 0:width]
    palette = numpy.array([[60, 60, 64], [230, 40, 90], [20, 160, 220], [250, 230, 120], [90, 90, 90]], numpy.uint8)
    image = palette[((x + y + seed * 13) // 37) % 5]
    image[:, : max(1, width // 20)] = palette[(seed % 4) + 1]
    image[..., 1] += (y % 3).astype(numpy.uint8)
    return numpy.ascontiguousarray(image)


def command_json(*arguments):
    """The lines of `velloway colorart --json ARGUMENTS`, parsed, and its stderr and status."""
    run = subprocess.run([COMMAND, "colorart", "--json", *arguments], capture_output=True, text=True)
    return [json.loads(line) for line in run.stdout.splitlines()], run.stderr, run.returncode


class FolderTest(unittest.TestCase):
    """A fresh temporary folder per test."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="velloway-python-")
        self.addCleanup(shutil.rmtree, self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)

    def write_png(self, name, pixels):
        path = self.path(name)
        Image.fromarray(pixels).save(path)
        return path
