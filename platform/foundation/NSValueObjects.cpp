#include "platform/foundation/NSValueObjects.hpp"

VW_DEFINE_CLASS(NSString, NSObject, nullptr)
VW_DEFINE_CLASS(NSNumber, NSObject, nullptr)
