#include "inventory/progress_model.h"

#include <algorithm>
#include <cmath>

namespace inventory {

namespace {

// Division by zero yields 0 in this arithmetic.
double quotient(double a, double b) {
    return b == 0 ? 0 : a / b;
}

// The squares along one side: `length` the inner length of that side,
// `thickness` the inner length of the other, `point` the progress point on
// the length. Squares are thickness - 2 long and start thickness + 1 apart,
// the row centred; every square before the point is drawn, and the one that
// holds it, so even zero progress shows the first.
struct Run {
    double squares = 0;
    std::vector<std::pair<double, double>> spans;  // along the length
};

Run squareRun(double length, double thickness, double point) {
    Run run;
    const double pitch = thickness + 1;
    run.squares = std::trunc(quotient(length, pitch));
    const double start = 2 + (length - run.squares * pitch) / 2;
    double a = std::max(2.0, start);
    double b = a + thickness - 2;
    for (; b < point; a += pitch, b += pitch)
        run.spans.emplace_back(a, b);
    if (b < length)
        run.spans.emplace_back(a, b);
    return run;
}

}  // namespace

void ProgressModel::setMinimum(double n) {
    if (n > m_maximum) {
        m_minimum = m_maximum.load();
        m_maximum = n;
    } else {
        m_minimum = n;
    }
    restart();
}

void ProgressModel::setMaximum(double n) {
    if (n < m_minimum) {
        m_maximum = m_minimum.load();
        m_minimum = n;
    } else {
        m_maximum = n;
    }
    restart();
}

double ProgressModel::setCurrent(double n) {
    if (std::isnan(n))
        return m_current;
    m_current = n;
    m_every = std::trunc(quotient(m_maximum - m_minimum, m_squares));
    m_progress = n;
    return m_current;
}

bool ProgressModel::increment(double n) {
    const double count = m_progress.fetch_add(n) + n;
    const double every = m_every;
    return every == 0 || std::trunc(std::fmod(count, every)) == 0;
}

void ProgressModel::created(double width, double height) {
    m_squares = std::trunc(quotient(width, height + 1));
}

BarDrawing ProgressModel::layout(double width, double height) {
    const double w = width - 2;
    const double h = height - 2;
    BarDrawing d;
    d.vertical = !(w > h);
    d.color = m_color;
    if (w < 1 || h < 1)
        return d;

    // The progress point: the count over the width of the range (a range of
    // no width counts as 0), at most the whole bar.
    const double done = quotient(m_progress, m_maximum - m_minimum);
    if (!d.vertical) {
        const double x = std::min(w * done, w);
        d.erase = Box{x + 1, 1, w, h};
        const Run run = squareRun(w, h, x);
        m_squares = run.squares;
        for (auto [a, b] : run.spans)
            d.squares.push_back({a, 2, b, h - 1});
    } else {
        const double y = std::min(h * done, h);
        d.erase = Box{1, y, w, h};
        const Run run = squareRun(h, w, y);
        m_squares = run.squares;
        for (auto [a, b] : run.spans)
            d.squares.push_back({2, a, w - 1, b});
    }
    return d;
}

Box ProgressModel::clearBox(double width, double height) {
    return {1, 1, width - 2, height - 2};
}

}  // namespace inventory
