#pragma once
// The desktop program's message service: a modal QMessageBox with OK or
// Yes/No, titled like the application. User-interface thread only.
#include "base/MessageService.h"

namespace velt {

class QtMessageService : public IMessageService {
public:
    MsgResult Show(const std::string& text, MsgButtons buttons) override;
    MsgResult ShowWithDetails(const std::string& text, const std::string& details,
                              MsgButtons buttons) override;
};

} // namespace velt
