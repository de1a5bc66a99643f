#include "prefs/KZVLWSliderCell.hpp"

VW_DEFINE_CLASS(KZVLWSliderCell, PSSliderTableCell, factoryOf<KZVLWSliderCell>())
