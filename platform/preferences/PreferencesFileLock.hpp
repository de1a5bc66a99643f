// Preferences stand-in: serialises the read-modify-write of a preferences file.
// Implements: a lock held for one update of a property-list file: a process-wide mutex (for
// threads) and an exclusive flock on the file's folder (for other processes on this machine), so
// that two writers never lose each other's keys. A missing folder (the Preferences folder of a
// fresh device) is made to be locked, as the write that follows would make it. The write itself is atomic and durable
// (plist::writeToFile), so a reader never sees a torn file, lock or no lock.
// Leaves out: timeouts (a writer waits), locking across machines.
#pragma once

#include <mutex>
#include <string>

class PreferencesFileLock {
 public:
  explicit PreferencesFileLock(const std::string& devicePath);
  ~PreferencesFileLock();
  PreferencesFileLock(const PreferencesFileLock&) = delete;
  PreferencesFileLock& operator=(const PreferencesFileLock&) = delete;

 private:
  std::unique_lock<std::mutex> threadLock_;
  int folderFd_ = -1;
};
