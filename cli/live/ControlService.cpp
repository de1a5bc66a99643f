#include "cli/live/ControlService.hpp"

#include <sstream>

#include "cli/live/LiveNames.hpp"
#include "cli/sim/SimSession.hpp"

namespace live {

ControlService::ControlService(sdbus::IConnection& connection, SimSession& session, std::map<std::string, std::string> identity)
    : session_(session), identity_(std::move(identity)), object_(sdbus::createObject(connection, kControlPath)) {
  object_->registerMethod("Run")
      .onInterface(kControlInterface)
      .withInputParamNames("line", "directory")
      .withOutputParamNames("output")
      .implementedAs([this](const std::string& line, const std::string& directory) { return run(line, directory); });
  object_->registerMethod("Describe").onInterface(kControlInterface).withOutputParamNames("identity").implementedAs([this] {
    return identity_;
  });
  object_->finishRegistration();
}

std::string ControlService::run(const std::string& line, const std::string& directory) {
  std::ostringstream out;
  try {
    session_.runLine(line, out, directory);
  } catch (const std::exception& e) {
    // The line is refused or failed; the process carries on.
    throw sdbus::Error(kLineError, e.what());
  }
  return out.str();
}

}  // namespace live
