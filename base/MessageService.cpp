#include "MessageService.h"

#include <atomic>
#include <cstdio>

namespace velt {
namespace {
std::atomic<IMessageService*> g_service{nullptr};
}

IMessageService* SetMessageService(IMessageService* service) {
    return g_service.exchange(service);
}

MsgResult ShowMessage(const std::string& text, MsgButtons buttons) {
    if (IMessageService* s = g_service.load()) return s->Show(text, buttons);
    std::fprintf(stderr, "%s\n", text.c_str());
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
}

MsgResult ShowMessageWithDetails(const std::string& text, const std::string& details, MsgButtons buttons) {
    if (IMessageService* s = g_service.load()) return s->ShowWithDetails(text, details, buttons);
    std::fprintf(stderr, "%s\n%s\n", text.c_str(), details.c_str());
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
}

} // namespace velt
