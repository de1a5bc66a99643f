"""The colour analysis from Python, against the command, against Pillow, and on Dask.

    PYTHONPATH=build/default/python /usr/bin/python3 bench/python/colorart_bench.py [--files N] [--runs N]

1. Per image: velloway.colorart(path) in one thread, against `velloway colorart --jobs 1` and
   `python3 -m velloway --jobs 1` as whole processes on the same folder (the photos of
   mate-backgrounds): the overhead of Python per image, start-up taken out.
2. What a Python user reaches for first, on the same photos: Pillow opening the file, scaling it to
   512 x 512, then quantize(16) or getcolors() (every distinct colour counted).
3. Dask: files per second over a generated folder of N JPEG files (copies of the photos at sizes
   from 300 to 1500 pixels) with velloway.dask.colorart on a LocalCluster of 1 and of 2 worker
   processes (one thread each), after a warm-up run on each cluster, in chunks of --chunk files
   (default 16: enough tasks that two workers share them out evenly).
Medians of --runs runs.
"""

import argparse
import glob
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

import velloway
import velloway.dask

PHOTOS = sorted(glob.glob("/usr/share/backgrounds/mate/nature/*.jpg"))
COMMAND = os.environ.get("VELLOWAY_COMMAND", os.path.join(os.path.dirname(__file__), "../../build/default/bin/velloway"))


def median_time(fn, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def process(args):
    subprocess.run(args, check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def per_image(folder, runs):
    n = len(PHOTOS)
    inproc = median_time(lambda: [velloway.colorart(p) for p in PHOTOS], runs)
    command = median_time(lambda: process([COMMAND, "colorart", "--json", "--jobs", "1", folder]), runs)
    command_empty = median_time(lambda: process([COMMAND, "colorart", "--json", "--jobs", "1", "/dev/null"]), runs)
    module = median_time(lambda: process([sys.executable, "-m", "velloway", "--jobs", "1", folder]), runs)
    module_empty = median_time(lambda: process([sys.executable, "-m", "velloway", "--jobs", "1", "/dev/null"]), runs)
    cmd_per = (command - command_empty) / n
    mod_per = (module - module_empty) / n
    print(f"Per image, {n} photos, one thread (medians of {runs}):")
    print(f"  velloway colorart --jobs 1       {1000 * cmd_per:8.2f} ms/image  (whole run {command:.3f} s, start-up {command_empty:.3f} s)")
    print(f"  python3 -m velloway --jobs 1     {1000 * mod_per:8.2f} ms/image  (whole run {module:.3f} s, start-up {module_empty:.3f} s)")
    print(f"  velloway.colorart(path) in-proc  {1000 * inproc / n:8.2f} ms/image")
    print(f"  Python's overhead per image      {1000 * (inproc / n - cmd_per):8.2f} ms ({inproc / n / cmd_per:.3f}x the command)")
    return inproc / n


def pillow(runs, ours_per_image):
    def prepared(path):
        return Image.open(path).convert("RGB").resize((512, 512), Image.BILINEAR)

    quantize = median_time(lambda: [prepared(p).quantize(16) for p in PHOTOS], runs) / len(PHOTOS)
    getcolors = median_time(lambda: [prepared(p).getcolors(512 * 512) for p in PHOTOS], runs) / len(PHOTOS)
    resize = median_time(lambda: [prepared(p) for p in PHOTOS], runs) / len(PHOTOS)
    print(f"From Python, per photo (medians of {runs}):")
    print(f"  velloway.colorart(path)                     {1000 * ours_per_image:8.2f} ms")
    print(f"  Pillow open + resize 512 (no analysis)      {1000 * resize:8.2f} ms  {resize / ours_per_image:6.2f}x")
    print(f"  Pillow open + resize 512 + quantize(16)     {1000 * quantize:8.2f} ms  {quantize / ours_per_image:6.2f}x")
    print(f"  Pillow open + resize 512 + getcolors()      {1000 * getcolors:8.2f} ms  {getcolors / ours_per_image:6.2f}x")


def make_folder(folder, files):
    sizes = [300, 600, 900, 1200, 1500]
    sources = [Image.open(p).convert("RGB") for p in PHOTOS]
    paths = []
    for i in range(files):
        path = os.path.join(folder, f"{i // 100:02d}", f"{i:05d}.jpg")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        source = sources[i % len(sources)]
        side = sizes[(i // len(sources)) % len(sizes)]
        source.resize((side, side * source.height // source.width)).save(path, quality=88)
        paths.append(path)
    return paths


def dask_rates(paths, runs, chunk):
    from distributed import Client, LocalCluster

    rates = {}
    for workers in (1, 2):
        with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, Client(
            cluster
        ) as client:
            velloway.dask.colorart(paths, client=client, chunk=chunk).compute()  # warm-up: workers import, files cached
            seconds = median_time(lambda: velloway.dask.colorart(paths, client=client, chunk=chunk).compute(), runs)
            rates[workers] = len(paths) / seconds
    print(f"Dask, {len(paths)} files in chunks of {chunk}, LocalCluster, one thread per worker (medians of {runs}):")
    print(f"  1 worker   {rates[1]:8.1f} files/s")
    print(f"  2 workers  {rates[2]:8.1f} files/s   {rates[2] / rates[1]:.2f}x")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--files", type=int, default=400)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--chunk", type=int, default=16, help="files per Dask task (enough tasks to share out evenly)")
    parser.add_argument("--only", choices=["image", "pillow", "dask"])
    args = parser.parse_args()
    if not PHOTOS:
        sys.exit("colorart_bench: no photos; apt-get install mate-backgrounds")
    print(f"{os.cpu_count()} cores, load average {os.getloadavg()[0]:.1f} at start")
    with tempfile.TemporaryDirectory(prefix="velloway-bench-") as work:
        folder = os.path.join(work, "photos")
        os.makedirs(folder)
        for p in PHOTOS:
            shutil.copy(p, folder)
        ours = None
        if args.only in (None, "image", "pillow"):
            ours = per_image(folder, args.runs) if args.only != "pillow" else None
        if args.only in (None, "pillow"):
            if ours is None:
                ours = median_time(lambda: [velloway.colorart(p) for p in PHOTOS], args.runs) / len(PHOTOS)
            pillow(args.runs, ours)
        if args.only in (None, "dask"):
            dask_rates(make_folder(os.path.join(work, "catalogue"), args.files), args.runs, args.chunk)


if __name__ == "__main__":
    main()
