#include "app/program.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "app/wiring.h"
#include "app/display_bridge.h"
#include "app/main_window.h"
#include "app/settings_page.h"
#include "settings/ui/help_viewer.h"
#include "settings/ui/slide_list_page.h"
#include "settings/ui/icon_row.h"
#include "core/display_state.h"
#include "inventory/ui/index_util_ui.h"
#include "settings/net_name.h"
#include "settings/param_file.h"
#include "settings/ui/uppercase_sle.h"
#include "core/ui/qt_text.h"

namespace app {

Program::Program(std::optional<std::string> cProf, std::optional<std::string> cMode)
    : m_state(core::programState()) {
    m_vars.cMode = std::move(cMode);
    m_vars.cProf = core::deriveProfile(cProf, settings::NetName);
    std::string appPath = core::currentAppPath();
    auto files = core::profileFiles(appPath, m_vars.cProf);
    m_state.cAppPath.setData(appPath);
    m_state.cLogo.setData(appPath + "\\logo.bmp");
    m_state.cParamFile.setData(files.paramFile);
    m_state.cListFile.setData(files.listFile);
}

Program::~Program() { finish(); }

void Program::start(int startDelayMs) {
    // Start position and parameter file.
    QScreen* screen = QGuiApplication::primaryScreen();
    QSize desk = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    m_vars.aCentre = core::centredPosition(desk.width(), desk.height());
    settings::Params params;
    params.cBuffer = m_vars.cBuffer;
    params.cPath = m_vars.cPath;
    params.nSlow = m_vars.nSlow;
    params.nFast = m_vars.nFast;
    params.posX = m_vars.aCentre.x;
    params.posY = m_vars.aCentre.y;
    params.nFrameState = m_vars.nFrameState;
    settings::ReadParam(m_state.cParamFile.getData(), params);
    m_vars.cBuffer = *params.cBuffer;
    m_vars.cPath = *params.cPath;
    m_vars.nSlow = *params.nSlow;
    m_vars.nFast = *params.nFast;
    m_vars.nFrameState = int(*params.nFrameState);
    m_vars.aPos = core::checkStartPosition({*params.posX, *params.posY}, m_vars.aCentre,
                                           desk.width(), desk.height());

    // The window, shown while its pages are still being built.
    WindowSetup setup{m_vars.cProf, m_state.cProgName.getData(), m_vars.aPos.x, m_vars.aPos.y,
                      m_vars.nFrameState};
    m_window = std::make_unique<MainWindow>(setup);
    m_window->create([this](const std::string& code) { m_state.cCode.setData(code); });

    // The holders the timer thread reads.
    m_state.oGetTime.setData(20);
    m_state.oBuffer.setData(m_vars.cBuffer);
    m_state.oPath.setData(m_vars.cPath);

    m_bridge = new DisplayBridge(*m_window);
    m_bridge->setSlowFieldValue(m_vars.nSlow);
    m_cycle = std::make_unique<display::DisplayCycle>(m_state, *m_bridge, makeCycleServices());

    buildSettingsPage();
    settings::ui::SlideListActions list;
    list.cPath = [this] { return m_vars.cPath; };
    list.show = [this] { listShowAction(); };
    m_listPage = new settings::ui::SlideListPage(
        m_window->oChooseTab, settings::ui::withListFile(list, m_state.cListFile.getData()));
    QObject::connect(m_settings->createDisplayButton(), &QPushButton::clicked,
                     [this] { m_window->showDisplayPage(); });

    m_window->revealPages();

    QObject::connect(m_window->oShowButton, &QPushButton::clicked, [this] { showAction(); });
    QObject::connect(m_window->oWatchButton, &QPushButton::clicked, [this] { watchAction(); });
    QObject::connect(m_window->oFreezeButton, &QPushButton::clicked, [this] { freezeAction(); });

    // Start mode.
    if (core::startsSlideShow(m_vars.cMode)) {
        core::DataSource("SLIDES");
        m_state.oGetTime.setData(m_vars.nSlow);
        m_state.cHost.setData("");
    }

    m_timer = std::make_unique<display::TimerThread>(m_state.oGetTime, [this] { timerTurn(); });
    QTimer::singleShot(startDelayMs, m_window.get(), [this] { m_timer->start(); });
}

namespace {

// What SaveParam asks of the main window.
class WindowState : public settings::WindowQuery {
public:
    WindowState(const MainWindow& w, const QCheckBox& box) : m_w(w), m_box(box) {}
    int frameState() const override {
        if (m_w.isMinimized()) return 1;
        return m_w.isMaximized() ? 2 : 3;
    }
    double positionX() const override { return m_w.frameGeometry().left() - desk().left(); }
    double positionY() const override {
        return desk().bottom() + 1 - (m_w.frameGeometry().bottom() + 1);
    }
    bool fullScreenTicked() const override { return m_box.isChecked(); }

private:
    static QRect desk() {
        QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    }
    const MainWindow& m_w;
    const QCheckBox& m_box;
};

}  // namespace

void Program::buildSettingsPage() {
    settings::ui::PaintSomeIcons(m_window->oSettingsTab);
    SettingsPage::Values values{m_vars.cBuffer, m_vars.cPath, m_vars.nSlow, m_vars.nFast,
                                m_vars.nFrameState == 2};
    m_settings = std::make_unique<SettingsPage>(m_window->oSettingsTab, values, fileChooser());
    QObject::connect(m_settings->oBrowseCode, &QPushButton::clicked,
                     [this] { m_settings->browseCodeFile(m_vars.cBuffer); });
    QObject::connect(m_settings->oBrowseData, &QPushButton::clicked,
                     [this] { m_settings->browseDataPath(m_vars.cPath); });
    QObject::connect(m_settings->oApplySave, &QPushButton::clicked, [this] { applySaveAction(); });
    QObject::connect(m_settings->oHelp, &QPushButton::clicked, [this] { helpAction(); });
    QObject::connect(m_settings->oReindex, &QPushButton::clicked, [this] {
        inventory::ui::runIndexUtil(m_window->oSettingsTab, m_vars.cPath);
    });
    QObject::connect(m_settings->oSlow, &QSpinBox::valueChanged,
                     [this](int v) { m_bridge->setSlowFieldValue(v); });
}

void Program::applySaveAction() {
    guiTurn("xxx");
    m_vars.cBuffer = core::ui::fromQString(m_settings->oImagePath->text());
    m_vars.cPath = core::ui::fromQString(m_settings->oDataPath->text());
    m_vars.nSlow = m_settings->oSlow->value();
    m_vars.nFast = m_settings->oFast->value();
    double x = m_vars.aPos.x, y = m_vars.aPos.y;
    // SaveParam tells the user itself whether the parameters were saved.
    static_cast<void>(settings::SaveParam(m_state.cParamFile.getData(), m_vars.cBuffer, m_vars.cPath,
                                          m_vars.nSlow, m_vars.nFast, x, y,
                                          WindowState(*m_window, *m_settings->oFullScreen)));
    m_vars.aPos = {x, y};
    m_state.oBuffer.setData(m_vars.cBuffer);
    m_state.oPath.setData(m_vars.cPath);
    std::string source = core::DataSource();
    if (source == "SLIDES") {
        m_state.oGetTime.setData(m_vars.nSlow);
    } else if (source == "DATA") {
        m_state.oGetTime.setData(m_vars.nFast);
    } else {
        m_state.oGetTime.setData(999);
    }
    if (core::DataSource() == "KBD") {
        m_window->oManualEntry->setFocus();
    } else {
        m_window->oFreezeButton->show();
    }
    core::StopDisplay(false);
}

void Program::helpAction() { settings::ui::HelpText(m_window.get(), m_state.cAppPath.getData()); }

void Program::finish() {
    if (m_timer) m_timer->stop();
}

void Program::timerTurn() {
    m_gate.run([this] { m_cycle->turn(m_state.oPath.getData(), m_state.oBuffer.getData()); });
}

void Program::guiTurn(const std::string& cCodeFile) {
    std::string path = m_vars.cPath;
    m_gate.runOrQueue([this, path, cCodeFile] { m_cycle->turn(path, cCodeFile); });
}

void Program::showAction() {
    core::StopDisplay(true);
    m_state.oGetTime.setData(m_vars.nSlow);
    core::DataSource("SLIDES");
    m_window->oManualEntry->hide();
    m_window->oFreezeButton->show();
    core::StopDisplay(false);
    // Emptied before the forced turn: a slide carries no station name, the
    // first one included.
    m_state.cHost.setData("");
    guiTurn("new");
}

void Program::watchAction() {
    m_state.oGetTime.setData(m_vars.nFast);
    core::DataSource("DATA");
    m_window->oManualEntry->hide();
    m_window->oFreezeButton->show();
    core::StopDisplay(false);
}

void Program::freezeAction() {
    core::DataSource("FREEZE");
    m_state.oGetTime.setData(2);
    m_window->oManualEntry->show();
    m_window->oManualEntry->setText(QString());
    m_window->oFreezeButton->hide();
    m_window->oManualEntry->setFocus();
}

void Program::listShowAction() {
    m_window->showDisplayPage();
    m_state.oGetTime.setData(m_vars.nSlow);
    core::DataSource("SLIDES");
    core::StopDisplay(false);
    m_state.cHost.setData("");
}

}  // namespace app
