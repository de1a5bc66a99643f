// Pictures of a `velloway colorart` run: for one image, the artwork beside its background
// colour with three sample lines of text in the text colours, coloured the way the overlay
// colours its labels (song name: secondary, artist and album: primary; detail: the third); and
// a contact sheet of those pictures, smaller, for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/uikit/UIColor.hpp"
#include "platform/uikit/UIImage.hpp"

namespace colorart_cli {

struct PreviewColours {
  UIColorRef background, primary, secondary, detail;
};

// The picture's size at scale 1.
inline constexpr int kPreviewWidth = 640, kPreviewHeight = 256;

// Writes the picture of one image as a PNG; false and `error` on failure.
bool writePreview(const std::string& path, const UIImage& artwork, const PreviewColours& colours, const std::string& title,
                  std::string& error);

// The contact sheet: one cell per image, in run order, in a grid; its size depends only on the
// number of images (large runs get smaller cells), so memory stays bounded however many there
// are. place() may be called from several threads at once, for different cells.
class ContactSheet {
 public:
  explicit ContactSheet(size_t count);
  void place(size_t index, const UIImage& artwork, const PreviewColours& colours, const std::string& title);
  // Cells never placed (images that failed) stay grey.
  bool write(const std::string& path, std::string& error) const;

 private:
  size_t count_;
  int columns_ = 1, cellWidth_ = 0, cellHeight_ = 0, width_ = 0, height_ = 0;
  double scale_ = 1;
  std::vector<uint32_t> pixels_;
};

// The preview file names for these inputs in DIR: each input's file name with .png, made unique
// with -2, -3, ... in run order.
std::vector<std::string> previewPaths(const std::string& dir, const std::vector<std::string>& inputs);

}  // namespace colorart_cli
