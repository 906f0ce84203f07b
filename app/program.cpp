#include "app/program.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "app/cycle_services.h"
#include "app/display_bridge.h"
#include "app/main_window.h"
#include "core/display_state.h"
#include "settings/net_name.h"
#include "settings/param_file.h"
#include "settings/ui/uppercase_sle.h"

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
    guiTurn("new");
    m_state.cHost.setData("");
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
