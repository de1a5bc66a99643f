// UIKit stand-in: view animation (UIView animateWithDuration:animations:completion:) on the
// simulated clock.
// Implements: an animation block in which alpha changes are animated: the view's alpha (the
// model value) takes the new value at once, and its layer gets an "opacity" animation from the
// old to the new value over the duration, so presentationAlpha() (what is drawn and dumped)
// moves linearly from the old to the new value as the simulated clock advances; the completion
// runs on the main queue when the duration has passed (with finished = true). The blocks are
// kept until the completion has run.
// Leaves out: animating frames, colours and transforms (they change at once), timing curves
// other than linear, delays, options, cancelling (finished is always true), nesting.
#pragma once

#include "platform/uikit/UIView.hpp"
