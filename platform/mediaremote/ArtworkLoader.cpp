#include "platform/mediaremote/ArtworkLoader.hpp"

#include <utility>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/uikit/PreparedImages.hpp"

ArtworkLoader::ArtworkLoader(Reader read, Done done)
    : read_(std::move(read)), done_(std::move(done)), worker_([this] { work(); }) {}

ArtworkLoader::~ArtworkLoader() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  worker_.join();
}

void ArtworkLoader::request(Request request) {
  {
    std::lock_guard lock(mutex_);
    pending_ = std::move(request);
    ++generation_;
  }
  wake_.notify_one();
}

void ArtworkLoader::cancel() {
  std::lock_guard lock(mutex_);
  pending_.reset();
  ++generation_;
}

void ArtworkLoader::forget(const std::string& owner) {
  std::lock_guard lock(mutex_);
  if (pending_ && pending_->owner == owner) pending_.reset();
  if (running_ && running_->owner == owner) {
    ++generation_;
    dropRunning_ = true;
  }
  for (auto it = prepared_.begin(); it != prepared_.end();) {
    if (it->first != owner) {
      ++it;
      continue;
    }
    prepared_images::forget(*it->second);
    it = prepared_.erase(it);
  }
}

std::optional<ArtworkLoader::Request> ArtworkLoader::wanted() const {
  std::lock_guard lock(mutex_);
  if (pending_) return pending_;
  return running_;
}

void ArtworkLoader::remember(const std::string& owner, std::shared_ptr<const plist::Data> bytes) {
  prepared_.emplace_front(owner, std::move(bytes));
  // Older ones have left the prepared images already.
  while (prepared_.size() > prepared_images::kKept) prepared_.pop_back();
}

void ArtworkLoader::work() {
  for (;;) {
    Request request;
    uint64_t generation;
    {
      std::unique_lock lock(mutex_);
      running_.reset();
      dropRunning_ = false;
      wake_.wait(lock, [&] { return stopping_ || pending_; });
      if (stopping_) return;
      request = std::move(*pending_);
      pending_.reset();
      running_ = request;
      generation = generation_;
    }
    Result result{request, nullptr, nullptr};
    if (auto bytes = read_(request.url)) {
      auto shared = std::make_shared<const plist::Data>(std::move(*bytes));
      if (auto image = prepared_images::prepare(shared)) {
        result.bytes = std::move(shared);
        result.image = std::move(image);
      }
    }
    std::lock_guard lock(mutex_);
    if (result.bytes && std::exchange(dropRunning_, false))
      prepared_images::forget(*result.bytes);  // its owner has gone meanwhile
    else if (result.bytes)
      remember(request.owner, result.bytes);
    if (generation != generation_ || stopping_) continue;  // superseded meanwhile
    // Handed on under the lock: a request or cancel after this point makes it stale for the
    // receiver, which checks what it still wants.
    dispatch_async(dispatch_get_main_queue(), [done = done_, result = std::move(result)]() mutable { done(std::move(result)); });
  }
}
