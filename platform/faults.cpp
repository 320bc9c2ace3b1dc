#include "platform/faults.h"

#include <cstddef>
#include <cstdlib>

namespace tsy::platform {
namespace {

struct Fault {
    bool armed = false;
    FaultAction action = FaultAction::Fail;
    std::uint32_t error_code = 0;
    int calls_left = 0;  // calls that still succeed before the fault fires
    void (*happen)(void*) = nullptr;  // an event rather than a failure
    void* context = nullptr;
};

constexpr std::size_t kPointCount = static_cast<std::size_t>(FaultPoint::WaitToRead) + 1;

Fault g_faults[kPointCount];

}  // namespace

void InjectFault(FaultPoint point, std::uint32_t error_code, int after_calls, FaultAction action) {
    Fault& fault = g_faults[static_cast<std::size_t>(point)];
    fault = Fault{};
    fault.armed = true;
    fault.action = action;
    fault.error_code = error_code;
    fault.calls_left = after_calls < 0 ? 0 : after_calls;
}

void InjectEvent(FaultPoint point, void (*happen)(void* context), void* context,
                 int after_calls) {
    Fault& fault = g_faults[static_cast<std::size_t>(point)];
    fault = Fault{};
    fault.armed = true;
    fault.calls_left = after_calls < 0 ? 0 : after_calls;
    fault.happen = happen;
    fault.context = context;
}

bool FaultPending(FaultPoint point) {
    return g_faults[static_cast<std::size_t>(point)].armed;
}

void ClearFaults() {
    for (Fault& fault : g_faults) {
        fault = Fault{};
    }
}

bool FaultHit(FaultPoint point) {
    Fault& fault = g_faults[static_cast<std::size_t>(point)];
    if (!fault.armed) {
        return false;
    }
    if (fault.calls_left > 0) {
        --fault.calls_left;
        return false;
    }
    fault.armed = false;
    if (fault.happen != nullptr) {
        fault.happen(fault.context);
        return false;
    }
    if (fault.action == FaultAction::Exit) {
        // No destructors, no buffers flushed: what a crash leaves behind.
        std::_Exit(86);
    }
    SetLastErrorCode(fault.error_code);
    return true;
}

}  // namespace tsy::platform
