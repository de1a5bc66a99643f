#include "platform/bus/SessionBus.hpp"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/process/ProcessState.hpp"

namespace session_bus {
namespace {

// Messages handled in one turn of the loop at the most, so a flood cannot starve the main
// queue; what is left is handled at the next turn.
constexpr int kMessagesPerTurn = 4096;

struct BusState {
  std::unique_ptr<sdbus::IConnection> connection;
  std::atomic<bool> lost{false};
  std::mutex carrying;  // held while Darwin notifications are put on the bus
  bool carried = false;

  // Not connected. The Darwin notifications go back within the process first: their transport
  // refers to the connection.
  void reset() {
    std::lock_guard lock(carrying);
    if (carried) darwin_notify::useTransport(nullptr);
    carried = false;
    connection.reset();
    lost = false;
  }
};

BusState& state() {
  static BusState* s = process_state::make<BusState>("session bus");  // lives as long as the process
  return *s;
}

class DarwinOverBus final : public darwin_notify::Transport {
 public:
  explicit DarwinOverBus(sdbus::IConnection& connection)
      : connection_(connection), object_(sdbus::createObject(connection, kDarwinPath)) {
    object_->registerSignal(kDarwinInterface, kDarwinSignal, "s");
    object_->finishRegistration();
  }

  void post(const std::string& name) override {
    // The connection belongs to the main thread; a posting from elsewhere is sent from there.
    if (!main_loop::isMainThread()) {
      dispatch_async(dispatch_get_main_queue(), [this, name] { post(name); });
      return;
    }
    try {
      object_->emitSignal(kDarwinSignal).onInterface(kDarwinInterface).withArguments(name);
    } catch (const sdbus::Error& e) {
      std::fprintf(stderr, "%s: cannot post %s: %s\n", system_log::sender().c_str(), name.c_str(), e.what());
    }
  }

  void observe(const std::string& name) override {
    std::string rule = "type='signal',path='" + std::string(kDarwinPath) + "',interface='" + kDarwinInterface + "',member='" +
                       kDarwinSignal + "',arg0=" + quotedMatchValue(name);
    // The bus daemon routes only the observed names here: nothing wakes for the others.
    connection_.addMatch(
        rule,
        [](sdbus::Message& message) {
          std::string arrived;
          message >> arrived;
          darwin_notify::deliverArrived(arrived);
        },
        sdbus::floating_slot);
  }

 private:
  sdbus::IConnection& connection_;
  std::unique_ptr<sdbus::IObject> object_;
};

// Said once, by the process that lost it.
void reportLost(const sdbus::Error& e) {
  std::fprintf(stderr, "%s: lost the session bus: %s\n", system_log::sender().c_str(), e.what());
}

}  // namespace

std::string quotedMatchValue(const std::string& value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

sdbus::IConnection& connect() {
  auto& s = state();
  if (s.connection) return *s.connection;
  if (!main_loop::isRealTime()) throw std::logic_error("the session bus is served by the real-time main loop");
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  try {
    s.connection =
        address && *address ? sdbus::createSessionBusConnectionWithAddress(address) : sdbus::createSessionBusConnection();
  } catch (const sdbus::Error& e) {
    throw Unavailable(address && *address ? "cannot connect to the session bus at " + std::string(address) + ": " + e.getMessage()
                                          : "no session bus: " + e.getMessage());
  }
  sdbus::IConnection* connection = s.connection.get();
  main_loop::addPollSource(main_loop::PollSource{[connection](short& events, int& timeoutMs) {
                                                   auto poll = connection->getEventLoopPollData();
                                                   events = poll.events;
                                                   timeoutMs = poll.getPollTimeout();
                                                   return poll.fd;
                                                 },
                                                 [connection] {
                                                   try {
                                                     for (int i = 0; i < kMessagesPerTurn && connection->processPendingRequest();
                                                          ++i) {
                                                     }
                                                   } catch (const sdbus::Error& e) {
                                                     if (!state().lost.exchange(true)) reportLost(e);
                                                     main_loop::stop();
                                                   }
                                                 }});
  return *connection;
}

sdbus::IConnection* connection() { return state().connection.get(); }

bool lost() { return state().lost.load(); }

void carryDarwinNotifications() {
  auto& s = state();
  std::lock_guard lock(s.carrying);
  if (s.carried) return;
  darwin_notify::useTransport(std::make_shared<DarwinOverBus>(connect()));
  s.carried = true;
}

}  // namespace session_bus
