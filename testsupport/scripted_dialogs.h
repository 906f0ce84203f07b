#pragma once

#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace testsupport {

// A platform::Dialogs that records every box and answers confirmation and
// alert boxes from a script, in order. A box with no scripted answer left
// fails the test by throwing std::logic_error. Thread-safe.
class ScriptedDialogs : public platform::Dialogs {
public:
    struct Box {
        std::string kind;  // "message", "confirm", "alert"
        std::string text, title;
        int buttonSet = 0, style = 0;
        std::vector<std::string> buttons;
    };

    explicit ScriptedDialogs(std::vector<int> answers = {})
        : m_answers(answers.begin(), answers.end()) {}

    void messageBox(const std::string& text, const std::string& title) override {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back({"message", text, title});
    }
    int confirmBox(const std::string& text, const std::string& title, int buttonSet,
                   int style) override {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back({"confirm", text, title, buttonSet, style});
        return next();
    }
    int alertBox(const std::string& text, const std::vector<std::string>& buttons) override {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back({"alert", text, "", 0, 0, buttons});
        return next();
    }

    void answer(int result) {
        std::lock_guard lock(m_mutex);
        m_answers.push_back(result);
    }
    std::vector<Box> boxes() const {
        std::lock_guard lock(m_mutex);
        return m_boxes;
    }

private:
    int next() {
        if (m_answers.empty()) throw std::logic_error("unscripted box: " + m_boxes.back().text);
        int a = m_answers.front();
        m_answers.pop_front();
        return a;
    }

    mutable std::mutex m_mutex;
    std::deque<int> m_answers;
    std::vector<Box> m_boxes;
};

// Installs `d` as the process's dialogs for the scope's lifetime.
class DialogsScope {
public:
    explicit DialogsScope(platform::Dialogs* d) : m_previous(platform::setDialogs(d)) {}
    ~DialogsScope() { platform::setDialogs(m_previous); }
    DialogsScope(const DialogsScope&) = delete;
    DialogsScope& operator=(const DialogsScope&) = delete;

private:
    platform::Dialogs* m_previous;
};

}  // namespace testsupport
