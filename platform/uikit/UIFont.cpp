#include "platform/uikit/UIFont.hpp"

VW_DEFINE_CLASS(UIFont, ReflectiveObject, nullptr)

UIFontRef UIFont::systemFontOfSize(double size) { return std::make_shared<UIFont>("Helvetica", size); }
UIFontRef UIFont::boldSystemFontOfSize(double size) { return std::make_shared<UIFont>("Helvetica-Bold", size); }
UIFontRef UIFont::fontWithName(std::string name, double size) { return std::make_shared<UIFont>(std::move(name), size); }
