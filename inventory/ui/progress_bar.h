#pragma once

#include <QImage>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "graphics/geometry.h"
#include "graphics/ui/image_pres_space.h"
#include "inventory/progress_model.h"

namespace inventory {

// Shows progress as a row of filled squares (a column when the widget is not
// wider than high). The bar keeps a drawing thread of its own for as long as it
// runs: the thread sleeps on the bar's signal, at most maxWait hundredths of a
// second, and then redraws; increment() only counts and, every every() steps,
// wakes it. So the bar moves while the thread that reports progress is busy.
//
// The drawing thread draws into a backing image under the bar's lock
// (lockPS/unlockPS) and asks the GUI thread for a repaint; paintEvent only
// copies that image and draws the frame.
//
// Use: construct on the GUI thread, create(), set minimum, maximum and current
// (in that order), increment() from any one thread, destroy(), delete.
class ProgressBar : public QWidget {
    Q_OBJECT

public:
    // A bar at `pos` (its lower-left corner, from the parent's lower-left
    // corner) with `size`. Nothing shows and no thread runs until create().
    // `visible` shows the widget at create() rather than when its thread
    // starts. GUI thread.
    ProgressBar(QWidget* parent, graphics::Point pos, graphics::Size size, bool visible = false);
    // Stops the drawing thread if destroy() did not, and waits for it.
    ~ProgressBar() override;

    // Measures the squares from the outer size and starts the drawing thread,
    // which shows the widget. Once; later calls do nothing. GUI thread.
    ProgressBar& create();
    // Stops the repetition, wakes the drawing thread and, unless called on
    // that thread itself, waits until it has ended; then hides the widget (at
    // once on the GUI thread, otherwise through the GUI thread's queue). The
    // bar must not be used afterwards except to delete it. From the owner's
    // thread or the drawing thread.
    ProgressBar& destroy();
    // Clears the squares and gives the widget a new size, its lower-left
    // corner staying where it is. GUI thread.
    ProgressBar& setSize(graphics::Size size);

    // The range and the progress; see ProgressModel for swaps and restarts.
    // Setters from the owner's thread only.
    double minimum() const { return m_model.minimum(); }
    ProgressBar& setMinimum(double n);
    double maximum() const { return m_model.maximum(); }
    ProgressBar& setMaximum(double n);
    double current() const { return m_model.current(); }
    double setCurrent(double n) { return m_model.setCurrent(n); }
    double every() const { return m_model.every(); }
    double squares() const { return m_model.squares(); }
    double progress() const { return m_model.progress(); }
    double maxWait() const { return m_model.maxWait(); }
    void setMaxWait(double hundredths) { m_model.setMaxWait(hundredths); }
    double color() const { return m_model.color(); }
    void setColor(double code) { m_model.setColor(code); }

    // Counts `n` and wakes the drawing thread every every() steps. Never
    // draws and never waits for drawing. Any one thread at a time.
    void increment(double n = 1);

    // True while the drawing thread runs. Any thread.
    bool active() const { return m_active; }
    // A copy of the backing image, taken under the lock. Any thread.
    QImage snapshot() const;
    // Redraws the backing image now. Any thread.
    void display();

signals:
    // Emitted on the GUI thread when a redraw of the backing image reaches it,
    // just before the repaint it asks for.
    void redrawn();

protected:
    // One round of the drawing thread: sleep on the signal for at most
    // maxWait, then display(). Runs on the drawing thread, again and again
    // until destroy().
    virtual void execute();

    // The presentation space, locked for drawing; unlockPS releases it.
    graphics::PresSpace* lockPS();
    void unlockPS();

    // Wakes the drawing thread; a signal while it draws is kept for its next sleep.
    void signal();
    // Sleeps until signalled, stopped, or `hundredths` have passed.
    void wait(double hundredths);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Q_INVOKABLE void showFromThread();
    Q_INVOKABLE void hideFromThread();
    Q_INVOKABLE void repaintFromThread();

    void run();
    void stopThread();
    void fill(graphics::PresSpace* ps, double color, const Box& box);
    void resizeImage(QSize size);
    // Gives the widget `size` at m_pos, counted from the parent's lower-left corner.
    void place(graphics::Size size);

    ProgressModel m_model;
    graphics::Point m_pos;
    bool m_visible;
    bool m_created = false;

    mutable std::mutex m_psLock;  // guards m_image and m_ps
    QImage m_image;
    graphics::ImagePresSpace m_ps;

    std::mutex m_signalLock;
    std::condition_variable m_wake;
    bool m_signalled = false;

    std::atomic<bool> m_repeat{true};
    std::atomic<bool> m_active{false};
    std::atomic<bool> m_destroyed{false};
    std::atomic<std::thread::id> m_drawingThread{};
    std::mutex m_joinLock;
    std::thread m_thread;
};

}  // namespace inventory
