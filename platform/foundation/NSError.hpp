// Foundation stand-in: error objects.
// Implements: an error's domain, code and user-facing description.
// Leaves out: user-info dictionaries, underlying errors, recovery options.
#pragma once

#include <memory>
#include <string>

#include "platform/foundation/ReflectiveObject.hpp"

class NSError : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  NSError(std::string domain, long code, std::string localizedDescription)
      : domain(std::move(domain)), code(code), localizedDescription(std::move(localizedDescription)) {}
  const std::string domain;
  const long code;
  const std::string localizedDescription;
};
using NSErrorRef = std::shared_ptr<NSError>;
