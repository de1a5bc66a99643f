// Load-time entry of the tweak: the host runs the settings initialiser, then the hook
// installer, when it loads the library into the home-screen process.
#include "tweak/Hooks.hpp"
#include "tweak/Settings.hpp"

__attribute__((constructor(101))) static void settingsInitialiser() { vlw_settings::initialise(); }

__attribute__((constructor(102))) static void hookInstaller() { vlw_hooks::install(); }
