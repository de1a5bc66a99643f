// MediaRemote stand-in: a player's artwork read and decoded off the main thread. One worker
// thread serves the latest request only: a newer request replaces one not yet started, and the
// result of one that a newer request superseded while it ran is not handed on (its image stays
// among the prepared images, PreparedImages.hpp, so that a cover that comes back is found
// there). The worker reads the file, decodes it into the prepared images as UIImage would, and
// hands the bytes and the image to the main queue; bytes that do not decode are handed on as
// no artwork, so the main thread never decodes them either.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/plist/PropertyList.hpp"
#include "platform/uikit/UIImage.hpp"

class ArtworkLoader {
 public:
  struct Request {
    std::string owner;  // whose artwork (a player's name)
    std::string url;
    bool operator==(const Request&) const = default;
  };
  struct Result {
    Request request;
    std::shared_ptr<const plist::Data> bytes;  // null: no artwork
    UIImageRef image;                          // decoded from bytes; null with them
  };
  // The file's bytes for a URL, or nothing (runs on the worker).
  using Reader = std::function<std::optional<plist::Data>(const std::string& url)>;
  // Runs on the main queue with each result that was not superseded.
  using Done = std::function<void(Result)>;

  ArtworkLoader(Reader read, Done done);
  ~ArtworkLoader();  // waits for a decode under way
  ArtworkLoader(const ArtworkLoader&) = delete;
  ArtworkLoader& operator=(const ArtworkLoader&) = delete;

  // Supersedes whatever was asked before.
  void request(Request request);
  // Drops what was asked: nothing more is handed on until the next request.
  void cancel();
  // Drops what was asked for this owner, and lets go of every image prepared for it.
  void forget(const std::string& owner);
  // The request being served or waiting, if any.
  std::optional<Request> wanted() const;

 private:
  void work();
  void remember(const std::string& owner, std::shared_ptr<const plist::Data> bytes);  // mutex_ held

  Reader read_;
  Done done_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Request> pending_;  // not yet started
  std::optional<Request> running_;
  std::deque<std::pair<std::string, std::shared_ptr<const plist::Data>>> prepared_;  // by owner, latest first
  uint64_t generation_ = 0;   // counts requests and cancels: a result of an older one is stale
  bool dropRunning_ = false;  // forget() came for the running request's owner
  bool stopping_ = false;
  std::thread worker_;
};
