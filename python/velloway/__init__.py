"""The Velloway colour analysis: the background and text colours of artwork.

    >>> import velloway
    >>> art = velloway.colorart("/usr/share/backgrounds/mate/nature/Storm.jpg")
    >>> art.background.hex, art.primary.rgb, art.missed
    ('#101519', (0.6862745098039216, 0.7372549019607844, 0.8705882352941177), ('detail',))

The same analysis as ``velloway colorart`` and libvelloway-colorart: the image is stretched to
``size`` (512 x 512 by default; None analyses it at its own size) and analysed with
``threshold`` (2). ``velloway.dask.colorart`` spreads a whole catalogue over a Dask cluster, and
``python3 -m velloway FOLDER...`` prints what ``velloway colorart --json`` prints.
"""

import os
from typing import NamedTuple, Tuple

from . import _colorart

__all__ = ["Color", "Colorart", "colorart"]


class Color(NamedTuple):
    """A colour: the nearest "#rrggbb", and its exact components in [0, 1]."""

    hex: str
    r: float
    g: float
    b: float
    a: float

    @property
    def rgb(self) -> Tuple[float, float, float]:
        return (self.r, self.g, self.b)


class Colorart(NamedTuple):
    """The four colours of an image, and the text colours that were not found (white on a dark
    background, black on a light one stand in for them)."""

    background: Color
    primary: Color
    secondary: Color
    detail: Color
    missed: Tuple[str, ...]


def _result(raw) -> Colorart:
    colours, missed = raw
    return Colorart(*(Color(*c) for c in colours), missed=tuple(missed))


def colorart(source, size=(512, 512), threshold=2) -> Colorart:
    """Analyses one image.

    source: a path (str or os.PathLike) of a PNG or JPEG file; its bytes (bytes, bytearray or any
    one-dimensional buffer); or decoded pixels: a uint8 array of shape (height, width, 3 or 4),
    RGB or RGBA with straight alpha, such as a NumPy array, read where it lies without a copy
    (an array whose rows' pixels are not packed is copied first).
    size: (width, height) to stretch the image to before analysing, or None for its own size.
    threshold: an edge colour must occur on more rows of the leftmost column than this.

    The GIL is released while the image is analysed, so threads analyse at once. A file that
    can't be read raises OSError; a damaged image or bad pixels raise ValueError naming the file.
    """
    if isinstance(source, (str, os.PathLike)):
        return _result(_colorart.analyse_path(os.fsdecode(source), size, threshold))
    if isinstance(source, (bytes, bytearray)):
        return _result(_colorart.analyse_encoded(source, size, threshold, "<bytes>"))
    view = memoryview(source)
    if view.ndim == 1:
        return _result(_colorart.analyse_encoded(view, size, threshold, "<bytes>"))
    if view.ndim == 3 and view.strides[2] == 1 and view.strides[1] == view.shape[2]:
        return _result(_colorart.analyse_pixels(view, size, threshold, "<pixels>"))
    import numpy

    packed = numpy.ascontiguousarray(source)
    return _result(_colorart.analyse_pixels(packed, size, threshold, "<pixels>"))
