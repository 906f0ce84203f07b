#include "platform/dialogs.h"

#include <atomic>
#include <cstdio>

namespace platform {
namespace {

Answer firstButton(Buttons buttons) {
    switch (buttons) {
    case Buttons::AbortRetryIgnore: return Answer::Abort;
    case Buttons::YesNoCancel:
    case Buttons::YesNo: return Answer::Yes;
    case Buttons::RetryCancel: return Answer::Retry;
    case Buttons::Ok:
    case Buttons::OkCancel: break;
    }
    return Answer::Ok;
}

class ConsoleDialogs : public Dialogs {
public:
    void messageBox(const std::string& text, const std::string& title) override {
        std::fprintf(stderr, "%s%s%s\n", title.c_str(), title.empty() ? "" : ": ", text.c_str());
    }
    Answer confirmBox(const std::string& text, const std::string& title, Buttons buttons,
                      BoxStyle) override {
        messageBox(text, title);
        return firstButton(buttons);
    }
    int alertBox(const std::string& text, const std::vector<std::string>&) override {
        messageBox(text, "");
        return 1;
    }
};

ConsoleDialogs g_console;
std::atomic<Dialogs*> g_dialogs{&g_console};

}  // namespace

Dialogs& dialogs() { return *g_dialogs.load(); }

Dialogs* setDialogs(Dialogs* d) { return g_dialogs.exchange(d ? d : &g_console); }

}  // namespace platform
