#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "inventory/index_util.h"
#include "inventory/ui/progress_bar.h"

// The re-index utility on the Settings page.
namespace inventory::ui {

// The Re-index button's action: IndexUtil with the label "Re-indexing:" at
// {30, 318} {110, 24} and the progress bar at {150, 318} {400, 24} on
// `settingsPage` (positions of their lower-left corners, from the page's
// lower-left corner). The indexes are built on a worker thread while this
// thread waits in a local event loop, so the window still paints and the bar
// moves, but every input event for the page's window is swallowed. Boxes of
// other windows (the error handler's) still take input.
//
// `releaseDisplayTables` waits until the display has let go of the tables
// (IndexUtil). An error that unwinds out of the run (errors::Unwind) ends it
// here: the label and the bar are removed and the display stays suspended.
// GUI thread.
void runIndexUtil(QWidget* settingsPage, const std::string& cPath,
                  const std::function<void()>& releaseDisplayTables = {});

// The parts of runIndexUtil, for tests.

// The label. create() shows it, destroy() deletes it.
class ReindexLabelWidget : public ReindexLabel {
public:
    explicit ReindexLabelWidget(QWidget* page) : m_page(page) {}
    ~ReindexLabelWidget() override { destroy(); }
    void create() override;
    void destroy() override;
    QLabel* widget() const { return m_label; }

private:
    QWidget* m_page;
    QPointer<QLabel> m_label;
};

// The progress bar. create() makes and starts the bar; destroy() stops its
// drawing thread and deletes it. `onCreated` is told the new bar (tests).
class ReindexBarWidget : public ReindexProgress {
public:
    explicit ReindexBarWidget(QWidget* page, std::function<void(ProgressBar*)> onCreated = {})
        : m_page(page), m_onCreated(std::move(onCreated)) {}
    ~ReindexBarWidget() override { destroy(); }
    void create() override;
    void setRange(double minimum, double maximum, double current) override;
    void increment(double n) override;
    void destroy() override;
    ProgressBar* widget() const { return m_bar; }

private:
    QWidget* m_page;
    std::function<void(ProgressBar*)> m_onCreated;
    ProgressBar* m_bar = nullptr;  // read by the worker thread too
};

// Runs `work` on a worker thread while this (GUI) thread waits in a local
// event loop in which input to `window` is swallowed; rethrows what `work`
// threw. GUI thread.
void runWhileBlockingInput(QWidget* window, const std::function<void()>& work);

// True while runWhileBlockingInput swallows a window's input. GUI thread.
bool inputBlocked();

}  // namespace inventory::ui
