// Internal to platform/: the platform's own way of showing a message, used
// while no front end has installed a sink.
#pragma once

#include "platform/platform.h"

namespace tsy::platform {

bool DefaultSink(void* context, MessageKind kind, const char* text);

}  // namespace tsy::platform
