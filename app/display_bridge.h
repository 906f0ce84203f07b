#pragma once

#include <QObject>
#include <atomic>
#include <functional>

#include "display/display_cycle.h"

namespace app {

class MainWindow;

// The display cycle's window, on the Qt side. Every call is posted to the GUI
// thread in order and never waited for, whichever thread runs the turn; the
// picture is decoded on the calling thread and only the finished image goes
// to the widget.
class DisplayBridge : public QObject, public display::DisplayWindow {
    Q_OBJECT
public:
    explicit DisplayBridge(MainWindow& window);

    void showFreezeButton() override;
    void hideFreezeButton() override;
    void showFlasher() override;
    void hideFlasher() override;
    void hidePicture() override;
    void showPicture(const std::string& file) override;
    void setTitle(const std::string& text) override;
    void setTitle2(const std::string& text) override;
    void setDescription(const std::string& text) override;
    double slowFieldValue() const override { return m_slowField.load(); }

    // The Settings page keeps this up to date with its slide show field.
    void setSlowFieldValue(double v) { m_slowField.store(v); }

private:
    void post(std::function<void()> f);

    MainWindow& m_window;
    std::atomic<double> m_slowField{100};
};

}  // namespace app
