// Foundation stand-in: strings and numbers as objects, for the places that pass an object
// (performSelector:withObject:, target/action arguments, scripted sends). Property lists
// use plist::Value instead.
// Implements: NSString with its text, NSNumber with an integer or a real value.
// Leaves out: everything else of the two classes (formatting, comparisons, encodings).
#pragma once

#include <cstdint>
#include <string>

#include "platform/foundation/ReflectiveObject.hpp"

class NSString : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  explicit NSString(std::string text) : text(std::move(text)) {}
  static std::shared_ptr<NSString> stringWithString(std::string text) { return std::make_shared<NSString>(std::move(text)); }
  const std::string text;
};
using NSStringRef = std::shared_ptr<NSString>;

class NSNumber : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  explicit NSNumber(double value, bool isInteger) : value(value), isInteger(isInteger) {}
  static std::shared_ptr<NSNumber> numberWithInt(int64_t v) { return std::make_shared<NSNumber>(static_cast<double>(v), true); }
  static std::shared_ptr<NSNumber> numberWithDouble(double v) { return std::make_shared<NSNumber>(v, false); }
  int intValue() const { return static_cast<int>(value); }
  double doubleValue() const { return value; }
  const double value;
  const bool isInteger;
};
using NSNumberRef = std::shared_ptr<NSNumber>;
