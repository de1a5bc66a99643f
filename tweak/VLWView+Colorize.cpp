// Colouring the overlay after an artwork image by the colour art analysis.
#include "colorart/UIImage+ColorArt.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "tweak/VLWView.hpp"

void VLWView::colorizeForArtwork(const UIImageRef& artwork) {
  // The intermediate size is an absolute 0.8 x 0.8 points; colorArt then analyses a
  // 512 x 512 rendition of it on this thread. No artwork: no analysis, and every colour
  // set below is none.
  SLColorArtRef colors = colorArt(scaledToSize(artwork, CGSizeMake(0.8, 0.8)));
  setBackgroundColor(colors ? colors->backgroundColor() : nullptr);
  if (_artistAndAlbumLabel) _artistAndAlbumLabel->setTextColor(colors ? colors->primaryColor() : nullptr);
  if (_songNameLabel) _songNameLabel->setTextColor(colors ? colors->secondaryColor() : nullptr);
}
