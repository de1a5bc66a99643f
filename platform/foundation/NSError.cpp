#include "platform/foundation/NSError.hpp"

VW_DEFINE_CLASS(NSError, ReflectiveObject, nullptr)
