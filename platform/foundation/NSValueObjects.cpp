#include "platform/foundation/NSValueObjects.hpp"

VW_DEFINE_CLASS(NSString, ReflectiveObject, nullptr)
VW_DEFINE_CLASS(NSNumber, ReflectiveObject, nullptr)
