#include "display/display_mode.h"

#include "core/display_state.h"

namespace display {

Source sourceOf(std::string_view text) {
    if (text == "SLIDES") return Source::Slides;
    if (text == "DATA") return Source::Data;
    if (text == "FREEZE") return Source::Freeze;
    if (text == "KBD") return Source::Kbd;
    return Source::Unknown;
}

DisplayMode::State DisplayMode::state() const {
    std::lock_guard lock(m_mutex);
    return {m_text, m_source, m_period, m_idleSlides};
}

std::string DisplayMode::text() const {
    std::lock_guard lock(m_mutex);
    return m_text;
}

Source DisplayMode::source() const {
    std::lock_guard lock(m_mutex);
    return m_source;
}

double DisplayMode::period() const {
    std::lock_guard lock(m_mutex);
    return m_period;
}

void DisplayMode::set(std::string text, double period) {
    m_source = sourceOf(text);
    m_text = std::move(text);
    m_period = period;
    m_idleSlides = false;
}

void DisplayMode::setText(std::string_view text) {
    std::lock_guard lock(m_mutex);
    set(std::string(text), m_period);
}

void DisplayMode::showSlides(double nSlow) {
    std::lock_guard lock(m_mutex);
    set("SLIDES", nSlow);
    core::StopDisplay(false);
}

void DisplayMode::watch(double nFast) {
    std::lock_guard lock(m_mutex);
    set("DATA", nFast);
    core::StopDisplay(false);
}

void DisplayMode::freeze() {
    std::lock_guard lock(m_mutex);
    set("FREEZE", kManualPeriod);
}

Source DisplayMode::applySettings(double nSlow, double nFast) {
    std::lock_guard lock(m_mutex);
    switch (m_source) {
    case Source::Slides: m_period = m_idleSlides ? nFast : nSlow; break;
    case Source::Data: m_period = nFast; break;
    default: m_period = kNoTurns; break;
    }
    core::StopDisplay(false);
    return m_source;
}

bool DisplayMode::enterKeyboard() {
    std::lock_guard lock(m_mutex);
    if (m_source != Source::Freeze) return false;
    set("KBD", m_period);
    return true;
}

void DisplayMode::followSlidePeriod(double nSlow) {
    std::lock_guard lock(m_mutex);
    if (m_source == Source::Slides && !m_idleSlides) m_period = nSlow;
}

bool DisplayMode::startIdleSlides() {
    std::lock_guard lock(m_mutex);
    if (m_source != Source::Data || m_period == kNoTurns || core::StopDisplay()) return false;
    set("SLIDES", m_period);
    m_idleSlides = true;
    return true;
}

bool DisplayMode::endIdleSlides() {
    std::lock_guard lock(m_mutex);
    if (!m_idleSlides) return false;
    set("DATA", m_period);
    return true;
}

bool DisplayMode::idleSlides() const {
    std::lock_guard lock(m_mutex);
    return m_idleSlides;
}

void DisplayMode::reset() {
    std::lock_guard lock(m_mutex);
    set("DATA", kStartPeriod);
}

DisplayMode& displayMode() {
    static DisplayMode mode;
    return mode;
}

std::string DataSource() { return displayMode().text(); }

std::string DataSource(std::string_view cNew) {
    displayMode().setText(cNew);
    return displayMode().text();
}

}  // namespace display
