// The cell of the pane's slider rows. For now it is the framework's slider cell under the
// pane's own name, so the rows can name it; typing an exact value is still to come.
#pragma once

#include "platform/preferences/PSSliderTableCell.hpp"

class KZVLWSliderCell : public PSSliderTableCell {
  VW_DECLARE_CLASS()
};
