#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace display {

// Where the display takes the code of the item to show.
//   Slides   the slide show through the list table          "SLIDES"
//   Data     the data monitor of the point-of-sale's file   "DATA"
//   Freeze   manual entry asked for                         "FREEZE"
//   Kbd      manual entry running (the cycle's next turn)   "KBD"
//   Unknown  any other text given to DataSource: the display cycle treats it
//            as Data, Apply/Save stops the turns.
enum class Source { Slides, Data, Freeze, Kbd, Unknown };

// The source a DataSource text stands for (exact, case-sensitive).
Source sourceOf(std::string_view text);

// Periods of the display timer, in tenths of a second.
inline constexpr double kNoTurns = 999;     // the timer keeps waiting and runs no turn
inline constexpr double kManualPeriod = 2;  // manual entry: a turn after each tick
inline constexpr double kStartPeriod = 20;  // from start-up until a source is chosen

// The display source with the timer period that goes with it, as one value.
// Each action below changes them together under one lock, so neither the
// timer nor a turn of the display cycle ever sees a source with the period of
// another. The display suspension (core::StopDisplay) is a flag of its own;
// the actions that end it clear it inside the same change. Any thread.
class DisplayMode {
public:
    struct State {
        std::string text;  // as DataSource gives it
        Source source;
        double period;
        bool idleSlides;   // the slide show the idle data monitor handed over to
    };
    // All four as one value.
    State state() const;

    // The source as DataSource gives it ("DATA" at start) and what it stands for.
    std::string text() const;
    Source source() const;
    // The timer period (oGetTime). kStartPeriod at start.
    double period() const;

    // DataSource(cNew): any text becomes the source; the period stays.
    void setText(std::string_view text);

    // Show (either page) and the start mode: the slide show with period
    // `nSlow`; the suspension ends.
    void showSlides(double nSlow);
    // Watch: the data monitor with period `nFast`; the suspension ends.
    void watch(double nFast);
    // Freeze/Manual: manual entry asked for, a turn after every tick. The
    // suspension stays as it is.
    void freeze();
    // The end of Apply/Save: the period of the current source (nSlow for the
    // slide show, nFast for the data monitor and the idle slide show, else
    // kNoTurns until a source is chosen); the suspension ends. Returns the
    // source it applied to.
    Source applySettings(double nSlow, double nFast);

    // The display cycle's first turn in manual entry: Freeze becomes Kbd.
    // False (nothing changes) when the source is no longer Freeze.
    bool enterKeyboard();
    // The display cycle's slide show turn: the period follows the slide show
    // field, unless the source has changed meanwhile or the slide show is the
    // idle one (whose period stays the data monitor's).
    void followSlidePeriod(double nSlow);

    // The idle data monitor hands over to the slide show: the source becomes
    // "SLIDES" and the period stays the data monitor's, so that the code file
    // is still polled at its rate. False (nothing changes) unless the data
    // monitor runs: source Data, turns coming, no suspension.
    bool startIdleSlides();
    // The code file changed during the idle slide show: back to "DATA" with
    // the same period. False (nothing changes) unless the source is still the
    // idle slide show; any other change of source ends it for good, so a
    // slide show the clerk starts is never taken for it.
    bool endIdleSlides();
    bool idleSlides() const;

    // Back to the start: "DATA" with kStartPeriod (start-up, tests).
    void reset();

private:
    void set(std::string text, double period);

    mutable std::mutex m_mutex;
    std::string m_text = "DATA";
    Source m_source = Source::Data;
    double m_period = kStartPeriod;
    bool m_idleSlides = false;
};

// The program's display mode, shared by the GUI thread and the timer thread.
DisplayMode& displayMode();

// The kept value of the display source over displayMode(): returns the source
// text; given a text, stores it first (not validated: "slides" is kept as it
// is, and the display cycle treats it as "DATA"). Any thread.
std::string DataSource();
std::string DataSource(std::string_view cNew);

}  // namespace display
