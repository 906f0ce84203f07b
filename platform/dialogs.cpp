#include "platform/dialogs.h"

#include <atomic>
#include <cstdio>

namespace platform {
namespace {

class ConsoleDialogs : public Dialogs {
public:
    void messageBox(const std::string& text, const std::string& title) override {
        std::fprintf(stderr, "%s%s%s\n", title.c_str(), title.empty() ? "" : ": ", text.c_str());
    }
    int confirmBox(const std::string& text, const std::string& title, int buttonSet,
                   int) override {
        messageBox(text, title);
        static const int firstButton[] = {1, 1, 3, 6, 6, 4};  // by button set 0..5
        return buttonSet >= 0 && buttonSet <= 5 ? firstButton[buttonSet] : 1;
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
