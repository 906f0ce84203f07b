#include "settings/ui/help_viewer.h"

#include <QApplication>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

#include "platform/ui/qt_text.h"
#include "platform/fs.h"

namespace settings::ui {
namespace {

// Ends the viewer's loop on the first key press (once its target has handled
// it) or close request (which it swallows).
class EndOnKeyOrClose : public QObject {
public:
    explicit EndOnKeyOrClose(QEventLoop& loop) : m_loop(loop) {}

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
            event->ignore();
            m_loop.quit();
            return true;
        }
        return false;
    }

private:
    QEventLoop& m_loop;
    bool m_done = false;
};

}  // namespace

void HelpText(QWidget* window, const std::string& cAppPath) {
    std::string text;
    if (!platform::readFile(cAppPath + "\\helptext.txt", &text).isOk()) text.clear();

    QPointer<QPlainTextEdit> viewer = new QPlainTextEdit(window);
    viewer->setGeometry(0, 0, 600, 400);
    QPalette pal = viewer->palette();
    pal.setColor(QPalette::Base, Qt::white);
    viewer->setPalette(pal);
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
    EndOnKeyOrClose filter(loop);
    qApp->installEventFilter(&filter);
    loop.exec();
    qApp->removeEventFilter(&filter);
    delete viewer.data();
}

}  // namespace settings::ui
