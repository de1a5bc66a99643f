// The home-screen hooks: installed by the second load-time initialiser.
#pragma once

namespace vlw_hooks {

void install();

extern const char* const kWelcomeMessage;

}  // namespace vlw_hooks
