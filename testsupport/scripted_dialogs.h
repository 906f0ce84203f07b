#pragma once

#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace testsupport {

// A platform::Dialogs that records every box and answers confirmation boxes
// from a script, in order (alerts get their first choice). A confirmation box
// with no scripted answer left fails the test by throwing std::logic_error.
// Thread-safe.
class ScriptedDialogs : public platform::Dialogs {
public:
    struct Box {
        std::string kind;  // "message", "confirm", "alert"
        std::string text, title;
        platform::Buttons buttons = platform::Buttons::Ok;
        platform::BoxStyle style;
        std::vector<std::string> choices;  // an alert's captions
    };

    explicit ScriptedDialogs(std::vector<platform::Answer> answers = {})
        : m_answers(answers.begin(), answers.end()) {}

    void messageBox(const std::string& text, const std::string& title) override {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back({"message", text, title});
    }
    platform::Answer confirmBox(const std::string& text, const std::string& title,
                                platform::Buttons buttons, platform::BoxStyle style) override {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back({"confirm", text, title, buttons, style});
        return next();
    }
    int alertBox(const std::string& text, const std::vector<std::string>& choices) override {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back({"alert", text, "", platform::Buttons::Ok, {}, choices});
        return 1;
    }

    void answer(platform::Answer result) {
        std::lock_guard lock(m_mutex);
        m_answers.push_back(result);
    }
    std::vector<Box> boxes() const {
        std::lock_guard lock(m_mutex);
        return m_boxes;
    }

private:
    platform::Answer next() {
        if (m_answers.empty()) throw std::logic_error("unscripted box: " + m_boxes.back().text);
        platform::Answer a = m_answers.front();
        m_answers.pop_front();
        return a;
    }

    mutable std::mutex m_mutex;
    std::deque<platform::Answer> m_answers;
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
