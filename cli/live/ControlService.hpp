// The control object of a live process: one method that runs one line of the simulator's
// command language in this process and answers what the line printed, and one that says who
// the process is (for `velloway ctl --list`).
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <map>
#include <memory>
#include <string>

class SimSession;

namespace live {

class ControlService {
 public:
  // Exports the object on the connection; `identity` is what Describe answers.
  ControlService(sdbus::IConnection& connection, SimSession& session, std::map<std::string, std::string> identity);

 private:
  std::string run(const std::string& line, const std::string& directory);

  SimSession& session_;
  std::map<std::string, std::string> identity_;
  std::unique_ptr<sdbus::IObject> object_;
};

}  // namespace live
