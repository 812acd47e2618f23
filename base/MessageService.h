#pragma once
// Plain message boxes. Every message the system shows to the user goes through
// ShowMessage, so that the GUI can show a real box and tests can answer and
// inspect them. Without an installed service, messages go to stderr and a
// Yes/No question is answered No (the safe answer).
#include <string>

namespace velt {

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgResult { Ok, Yes, No, Cancel };

class IMessageService {
public:
    virtual ~IMessageService() = default;
    // text is UTF-8; "\r\n" separates lines, as in the program's message texts.
    virtual MsgResult Show(const std::string& text, MsgButtons buttons) = 0;
    // The same box with a details text the user can expand (a list too long
    // for the box itself). Services without such a box show the text alone.
    virtual MsgResult ShowWithDetails(const std::string& text, const std::string& details,
                                      MsgButtons buttons) {
        (void)details;
        return Show(text, buttons);
    }
};

// Installs the service used from now on (nullptr restores the stderr default).
// Returns the previous one. Not thread-safe against concurrent ShowMessage.
IMessageService* SetMessageService(IMessageService* service);
MsgResult ShowMessage(const std::string& text, MsgButtons buttons = MsgButtons::Ok);
MsgResult ShowMessageWithDetails(const std::string& text, const std::string& details, MsgButtons buttons);

} // namespace velt
