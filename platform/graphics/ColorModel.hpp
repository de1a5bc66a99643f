// Core Graphics stand-in: the HSB (HSV) colour model on plain doubles in [0, 1].
// Implements: the standard conversions between RGB and HSB (brightness = max(r, g, b);
// saturation = (max - min) / max, 0 for black; hue as a fraction of a turn, 0 for greys), for
// UIKit's colours and for code that converts many colours without making colour objects.
// Leaves out: other models (HSL, Lab), colour spaces.
#pragma once

void hsbToRgb(double hue, double saturation, double brightness, double* red, double* green, double* blue);
void rgbToHsb(double red, double green, double blue, double* hue, double* saturation, double* brightness);
