#include "settings/ui/help_viewer.h"

#include <QApplication>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

#include "graphics/color_codes.h"
#include "graphics/ui/colours.h"
#include "platform/fs.h"
#include "platform/read_limits.h"
#include "platform/ui/qt_text.h"

namespace settings::ui {
namespace {

// Ends the viewer's loop on the first key press (once its target has handled
// it) or close request of a window. The main window's close request is
// swallowed, so the program goes on; another window's closes that window.
class EndOnKeyOrClose : public QObject {
public:
    EndOnKeyOrClose(QEventLoop& loop, const QWidget* mainWindow)
        : m_loop(loop), m_mainWindow(mainWindow) {}

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (m_done) return false;
        if (event->type() == QEvent::KeyPress) {
            m_done = true;
            QTimer::singleShot(0, &m_loop, &QEventLoop::quit);  // after the key's own handling
            return false;
        }
        if (event->type() == QEvent::Close && target->isWidgetType() &&
            static_cast<QWidget*>(target)->isWindow()) {
            m_done = true;
            if (target == m_mainWindow) {
                event->ignore();
                m_loop.quit();
                return true;
            }
            QTimer::singleShot(0, &m_loop, &QEventLoop::quit);  // after the window's own handling
            return false;
        }
        return false;
    }

private:
    QEventLoop& m_loop;
    const QWidget* m_mainWindow;
    bool m_done = false;
};

}  // namespace

void HelpText(QWidget* window, const std::string& cAppPath) {
    std::string text;
    platform::Status read =
        platform::readFile(cAppPath + "\\helptext.txt", &text, platform::kHelpTextLimit);
    if (read.code() == platform::Status::Code::TooLarge) {
        text = kHelpTextTooLarge + std::to_string(platform::kHelpTextLimit / 1024) + " KB.";
    } else if (!read.isOk()) {
        text.clear();
    }

    // Over the whole of the window's client area: a viewer of the window's
    // outer size would lose its first lines and its scroll bar's right edge
    // beyond the client area.
    QPointer<QPlainTextEdit> viewer = new QPlainTextEdit(window);
    viewer->setGeometry(window->rect());
    graphics::ui::setColours(viewer, graphics::kSysClrEntryField);
    QFont font("Times New Roman");
    font.setPointSize(14);
    viewer->setFont(font);
    viewer->setReadOnly(true);
    viewer->setUndoRedoEnabled(false);
    viewer->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewer->setPlainText(platform::ui::toQString(text));
    viewer->show();
    viewer->raise();
    viewer->setFocus();

    QEventLoop loop;
    EndOnKeyOrClose filter(loop, window->window());
    qApp->installEventFilter(&filter);
    loop.exec();
    qApp->removeEventFilter(&filter);
    delete viewer.data();
}

}  // namespace settings::ui
