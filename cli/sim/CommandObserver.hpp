// What the simulator notes about each media-remote command as it is sent: whether the current
// overlay's small cover was shaking at that moment (the `commandsSent` field of `dump`). The
// command list alone cannot tell a shake before a command from one after it.
#pragma once

struct SimContext;

// Makes the built-in player, watched, the process's now-playing source, looking at the cover of
// this session's home screen (the simulator only: a live process keeps its own source). Null
// when the session ends: the notes then no longer look at a cover.
void observeMediaCommands(SimContext* session);
