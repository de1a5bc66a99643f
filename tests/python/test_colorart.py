"""velloway.colorart and python3 -m velloway against the command."""

import glob
import os
import subprocess
import sys
import threading
import tracemalloc
import unittest

import numpy

import velloway
from colorart_fixtures import COVER_JPEG, PHOTOS, FolderTest, banded, command_json

ROLES = ("background", "primary", "secondary", "detail")


def as_command_object(art):
    """A result in the shape of the command's JSON (without "image")."""
    obj = {role: getattr(art, role)._asdict() for role in ROLES}
    obj["missed"] = list(art.missed)
    return obj


def without_image(obj):
    return {k: v for k, v in obj.items() if k != "image"}


class ColorartTest(FolderTest):
    def test_results_equal_the_commands_on_the_photos(self):
        photos = sorted(glob.glob(os.path.join(PHOTOS, "*.jpg")))[:6] + [COVER_JPEG]
        generated = [self.write_png(f"banded{i}.png", banded(300 + 50 * i, 200 + 40 * i, i)) for i in range(3)]
        images = photos + generated
        objects, err, status = command_json(*images)
        self.assertEqual((status, err), (0, ""))
        self.assertEqual([o["image"] for o in objects], images)
        for path, obj in zip(images, objects):
            self.assertEqual(as_command_object(velloway.colorart(path)), without_image(obj), path)
        # The options reach the analysis as the command's do.
        objects, _, _ = command_json("--size", "40x7.5", "--threshold", "5", generated[0])
        self.assertEqual(as_command_object(velloway.colorart(generated[0], size=(40, 7.5), threshold=5)), objects[0])
        objects, _, _ = command_json("--native", generated[1])
        self.assertEqual(as_command_object(velloway.colorart(generated[1], size=None)), objects[0])

    def test_a_result_is_named_tuples_of_hex_and_rgb(self):
        art = velloway.colorart(self.write_png("white.png", numpy.full((8, 8, 3), 255, numpy.uint8)))
        self.assertIsInstance(art, velloway.Colorart)
        self.assertEqual(art.background, velloway.Color("#ffffff", 1.0, 1.0, 1.0, 1.0))
        self.assertEqual(art.background.rgb, (1.0, 1.0, 1.0))
        self.assertEqual(art.primary.hex, "#000000")
        self.assertEqual(art.missed, ("primary", "secondary", "detail"))

    def test_an_array_a_slice_bytes_and_a_path_agree(self):
        pixels = banded(700, 600, 2)
        path = self.write_png("banded.png", pixels)
        from_path = velloway.colorart(path)
        with open(path, "rb") as f:
            data = f.read()
        self.assertEqual(velloway.colorart(data), from_path)
        self.assertEqual(velloway.colorart(bytearray(data)), from_path)
        self.assertEqual(velloway.colorart(memoryview(data)), from_path)
        self.assertEqual(velloway.colorart(pixels), from_path)
        # RGBA, and a slice of a wider array (rows further apart than their pixels).
        rgba = numpy.dstack([pixels, numpy.full(pixels.shape[:2], 255, numpy.uint8)])
        self.assertEqual(velloway.colorart(rgba), from_path)
        wide = numpy.zeros((600, 900, 3), numpy.uint8)
        wide[:, :700] = pixels
        self.assertEqual(velloway.colorart(wide[:, :700]), from_path)
        # Columns taken backwards have no packed rows: copied first, same answer for the same pixels.
        flipped = numpy.ascontiguousarray(pixels[:, ::-1])
        self.assertEqual(velloway.colorart(flipped[:, ::-1]), from_path)

    def test_an_array_is_read_without_a_copy(self):
        pixels = banded(2000, 1500, 1)
        tracemalloc.start()
        try:
            velloway.colorart(pixels)
            _, peak = tracemalloc.get_traced_memory()
        finally:
            tracemalloc.stop()
        # NumPy's allocations are traced: a copy of the 9 MB array would show.
        self.assertLess(peak, pixels.nbytes // 10)

    def test_failures_name_the_input(self):
        good = self.write_png("good.png", banded(60, 40))
        damaged = self.path("damaged.jpg")
        with open(COVER_JPEG, "rb") as f:
            data = f.read()
        with open(damaged, "wb") as f:
            f.write(data[: len(data) // 2])
        with self.assertRaisesRegex(ValueError, "^" + damaged + ": cannot decode the JPEG image: "):
            velloway.colorart(damaged)
        with self.assertRaisesRegex(ValueError, "^<bytes>: not a PNG or JPEG image$"):
            velloway.colorart(b"hello")
        with self.assertRaisesRegex(OSError, "missing.png: cannot read: No such file or directory"):
            velloway.colorart(self.path("missing.png"))
        with self.assertRaisesRegex(ValueError, "^<pixels>: pixels must have 3 \\(RGB\\) or 4 \\(RGBA\\) channels$"):
            velloway.colorart(numpy.zeros((4, 4, 2), numpy.uint8))
        with self.assertRaisesRegex(ValueError, "uint8"):
            velloway.colorart(numpy.zeros((4, 4, 3), numpy.float32))
        with self.assertRaises(ValueError):
            velloway.colorart(good, size=(0, 10))
        velloway.colorart(good)  # still fine after all that

    def test_four_threads_agree_with_one(self):
        images = [self.write_png(f"b{i}.png", banded(400 + 30 * i, 300, i)) for i in range(4)] + [COVER_JPEG]
        alone = [velloway.colorart(p) for p in images]
        results, errors = {}, []

        def work(t):
            try:
                for round in range(3):
                    for k in range(len(images)):
                        i = (k + t) % len(images)
                        results[(t, round, i)] = velloway.colorart(images[i])
            except Exception as e:  # noqa: BLE001 - reported below
                errors.append(e)

        threads = [threading.Thread(target=work, args=(t,)) for t in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(errors, [])
        self.assertEqual(len(results), 4 * 3 * len(images))
        for (t, round, i), art in results.items():
            self.assertEqual(art, alone[i], (t, round, i))


class ModuleCommandTest(FolderTest):
    def test_prints_what_the_command_prints(self):
        os.makedirs(self.path("covers/b"))
        for i, name in enumerate(["covers/z.png", "covers/b/a.PNG", "covers/m.png"]):
            self.write_png(name, banded(120 + 20 * i, 90, i))
        with open(self.path("covers/broken.jpg"), "wb") as f:
            f.write(b"\xff\xd8\xff broken")
        with open(self.path("covers/notes.txt"), "w") as f:
            f.write("not an image")
        arguments = [self.path("covers"), COVER_JPEG, self.path("missing.png")]
        ours = subprocess.run([sys.executable, "-m", "velloway", *arguments], capture_output=True, text=True)
        theirs = subprocess.run([os.environ["VELLOWAY_COMMAND"], "colorart", "--json", *arguments], capture_output=True,
                                text=True)
        self.assertEqual(ours.stdout, theirs.stdout)
        self.assertEqual(ours.stderr, theirs.stderr)
        self.assertEqual((ours.returncode, theirs.returncode), (2, 2))
        self.assertEqual(len(ours.stdout.splitlines()), 4)
        # One image: no "image" field, as the command prints it.
        one = subprocess.run([sys.executable, "-m", "velloway", "--native", COVER_JPEG], capture_output=True, text=True)
        self.assertEqual(one.stdout, command_json_text("--native", COVER_JPEG))


def command_json_text(*arguments):
    return subprocess.run([os.environ["VELLOWAY_COMMAND"], "colorart", "--json", *arguments], capture_output=True,
                          text=True).stdout


if __name__ == "__main__":
    unittest.main()
