// The tweak library's exported globals.
#pragma once

#include <atomic>
#include <memory>

class VLWView;
class UIViewController;

extern "C" {
// The current overlay: the one made by the latest activation while enabled. Read on the
// thread that posts a now-playing change, so it is read and written atomically; it owns the
// overlay, so a late now-playing answer never reaches a freed view.
extern std::atomic<std::shared_ptr<VLWView>> vlwViewManager;
// The stock media-controls controller made by the latest layout.
extern std::shared_ptr<UIViewController> mediaView;
}
