#pragma once

#include <atomic>
#include <optional>
#include <vector>

// The counting and the drawing arithmetic of the progress bar, without a
// window: the range, the progress count, how often the drawing thread is woken,
// and which boxes a redraw fills. Coordinates are pixels from the lower-left
// corner of the widget; a box's two corners are both inside it.
namespace inventory {

struct Box {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    bool operator==(const Box&) const = default;
};

inline constexpr double kEraseColor = -2;  // white

// One redraw: fill `erase` in kEraseColor, then each of `squares` in `color`.
// A widget with no inner area has nothing to erase.
struct BarDrawing {
    bool vertical = false;
    std::optional<Box> erase;
    double color = 0;
    std::vector<Box> squares;
};

// Threads: the owner's thread calls the setters and increment; the drawing
// thread calls layout. Every value is read and written whole (atomically), so
// a redraw may see a count one step old but never a torn value; the setters
// themselves are not meant to race with each other.
class ProgressModel {
public:
    // Range 0 to 100, current 0, every 100, squares 1, colour 2, maxWait 100.
    ProgressModel() = default;

    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    // The value last given to setCurrent (or the restart of a range change).
    double current() const { return m_current; }

    // A new lower end. One above the maximum swaps the ends (the old maximum
    // becomes the minimum). Either way the progress restarts at the minimum.
    void setMinimum(double n);
    // A new upper end. One below the minimum swaps the ends (the old minimum
    // becomes the maximum). Either way the progress restarts at the minimum.
    void setMaximum(double n);
    // Sets the progress to `n` and recomputes `every` from the range and the
    // squares that fit now. NaN changes nothing. Returns current().
    double setCurrent(double n);

    // Progress units per square: Int((maximum - minimum) / squares), 0 when no
    // square fits.
    double every() const { return m_every; }
    // The progress count that is drawn.
    double progress() const { return m_progress; }
    // Squares that fit along the bar, as last measured.
    double squares() const { return m_squares; }

    // Longest sleep of the drawing thread between redraws, hundredths of a second.
    double maxWait() const { return m_maxWait; }
    void setMaxWait(double hundredths) { m_maxWait = hundredths; }
    // Colour code of the squares.
    double color() const { return m_color; }
    void setColor(double code) { m_color = code; }

    // Adds `n` to the progress count. Returns true when the drawing thread is
    // to be woken: when the count is a multiple of every(), and on every call
    // while every() is 0.
    bool increment(double n = 1);

    // The widget was created with this outer size: measures the squares from it.
    void created(double width, double height);

    // What a redraw of a widget of outer size width x height fills. The bar
    // runs along the longer side (vertically when the widget is square); the
    // squares are measured again from the inner size and remembered. A widget
    // with no inner area gets an empty drawing.
    BarDrawing layout(double width, double height);

    // The inner box that a resize clears.
    static Box clearBox(double width, double height);

private:
    void restart() { setCurrent(m_minimum); }

    std::atomic<double> m_minimum{0};
    std::atomic<double> m_maximum{100};
    std::atomic<double> m_current{0};
    std::atomic<double> m_progress{0};
    std::atomic<double> m_every{100};
    std::atomic<double> m_squares{1};
    std::atomic<double> m_maxWait{100};
    std::atomic<double> m_color{2};
};

}  // namespace inventory
