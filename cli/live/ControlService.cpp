#include "cli/live/ControlService.hpp"

#include <sstream>

#include "cli/live/LiveNames.hpp"
#include "cli/sim/SimSession.hpp"

namespace live {

namespace {

// The longest error message answered, in bytes.
constexpr size_t kErrorLimit = 1024;

}  // namespace

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
  if (std::string problem = lineLengthProblem(line); !problem.empty()) throw sdbus::Error(kLineError, problem);
  std::ostringstream out;
  try {
    session_.runLine(line, out, directory);
  } catch (const std::exception& e) {
    // The line is refused or failed; the process carries on. A message quoting a long word of
    // the line is cut.
    throw sdbus::Error(kLineError, startOf(e.what(), kErrorLimit));
  }
  return out.str();
}

}  // namespace live
