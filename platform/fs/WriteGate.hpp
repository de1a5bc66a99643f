// Writes into the device root, and the root's removal, exclude each other.
// Every write into the root (a file, a folder, a link, a removal) holds a WriteScope for as long
// as it runs. A process that removes its temporary root when it is terminated first closes the
// gate: closeForRemoval waits for the writes in progress to finish, and every write that comes
// later waits for good (the process is about to end), so the removal that follows sees a tree
// that nothing adds to. Scopes nest on one thread.
// For tests only: VELLOWAY_TEST_PAUSE_DIR names a folder through which a test can pause the
// process's first write in the middle (it creates "in-write" there and waits for "resume") and
// see the gate close (it creates "closing" before waiting for the writes in progress).
#pragma once

namespace device_fs {

class WriteScope {
 public:
  WriteScope();
  ~WriteScope();
  WriteScope(const WriteScope&) = delete;
  WriteScope& operator=(const WriteScope&) = delete;
};

// Waits until no write is in progress and lets none start again. It does not return while the
// calling thread itself holds a WriteScope (it would wait for itself).
void closeForRemoval();

// The test pause point of a write in progress (see above); nothing unless VELLOWAY_TEST_PAUSE_DIR
// is set.
void testPauseInWrite();

}  // namespace device_fs
