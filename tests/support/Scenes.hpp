// View trees like the product's screens, for tests and benchmarks of drawing.
#pragma once

#include "platform/uikit/UIView.hpp"

namespace test_support {

// The overlay of the reachability window as the tweak lays it out, W x H points, over
// makeArtwork's picture.
UIViewRef makeOverlay(double width, double height, bool vibrancy, double cornerRadius);
// A home screen stand-in: wallpaper, a grid of icons with names, a dock.
UIViewRef makeHomeScreen(double width, double height);
// A settings page stand-in: grouped rows on the grey background.
UIViewRef makeSettingsPage(double width, double height);

}  // namespace test_support
