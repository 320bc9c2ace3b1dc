#include "platform/message_sink.h"

namespace tsy::platform {
namespace {

MessageSink g_sink = nullptr;
void* g_context = nullptr;

}  // namespace

void SetMessageSink(MessageSink sink, void* context) {
    g_sink = sink;
    g_context = context;
}

bool Tell(MessageKind kind, const char* text) {
    if (g_sink != nullptr) {
        return g_sink(g_context, kind, text);
    }
    return DefaultSink(nullptr, kind, text);
}

bool TellByDefault(MessageKind kind, const char* text) {
    return DefaultSink(nullptr, kind, text);
}

}  // namespace tsy::platform
