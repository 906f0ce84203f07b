#include "app/program.h"

#include <QGuiApplication>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "app/display_page.h"
#include "app/main_window.h"
#include "app/settings_page.h"
#include "app/window_placement.h"
#include "app/wiring.h"
#include "core/display_state.h"
#include "core/profile.h"
#include "core/xbase_values.h"
#include "display/ui/code_file_watcher.h"
#include "display/ui/local_pictures.h"
#include "inventory/ui/index_util_ui.h"
#include "platform/fs.h"
#include "platform/single_instance.h"
#include "platform/write_watch.h"
#include "settings/net_name.h"
#include "settings/ui/help_viewer.h"
#include "settings/ui/icon_row.h"
#include "settings/ui/slide_list_page.h"

namespace app {
namespace {

// How long a second start waits for the running display to answer: it may
// itself be starting (it answers once its window is up).
constexpr std::chrono::seconds kClaimWait{10};
// How long whoever needs the tables waits for the display's turn to end.
constexpr std::chrono::seconds kReleaseWait{2};

// What SaveParam asks of the main window.
class WindowState : public settings::WindowQuery {
public:
    WindowState(const MainWindow& w, bool fullScreenTicked) : m_w(w), m_ticked(fullScreenTicked) {}
    int frameState() const override {
        if (m_w.isMinimized()) return 1;
        return m_w.isMaximized() ? 2 : 3;
    }
    double positionX() const override { return windowPosition(m_w, m_w.homeScreen()).x; }
    double positionY() const override { return windowPosition(m_w, m_w.homeScreen()).y; }
    bool fullScreenTicked() const override { return m_ticked; }

private:
    const MainWindow& m_w;
    bool m_ticked;
};

}  // namespace

Program::Program(std::optional<std::string> cProf, std::optional<std::string> cMode)
    : m_cMode(std::move(cMode)),
      m_state(core::programState()),
      m_mode(display::displayMode()),
      m_pictures(std::make_unique<display::ui::LocalPictures>()) {
    m_cProf = core::deriveProfile(cProf, settings::NetName);
    std::string appPath = core::currentAppPath();
    auto files = core::profileFiles(appPath, m_cProf);
    m_state.cAppPath.setData(appPath);
    m_state.cLogo.setData(appPath + "\\logo.bmp");
    m_state.cParamFile.setData(files.paramFile);
    m_state.cListFile.setData(files.listFile);
}

Program::~Program() { finish(); }

void Program::start(int startDelayMs) {
    // The settings: the start values, then the parameter file. The position
    // the file has none of is the centre of the screen the file chooses; a
    // saved position off that screen gives the centre too.
    settings::Settings s;
    s.posX = s.posY = std::numeric_limits<double>::quiet_NaN();
    settings::ReadParam(m_state.cParamFile.getData(), s);
    QScreen* target = targetScreen(s.screen);
    const QRect screen = screenRect(target);
    const core::Position centre = core::centredPosition(screen.width(), screen.height());
    if (std::isnan(s.posX)) s.posX = centre.x;
    if (std::isnan(s.posY)) s.posY = centre.y;
    const core::Position pos =
        core::checkStartPosition({s.posX, s.posY}, centre, screenArea(screen), connectedScreens());
    s.posX = pos.x;
    s.posY = pos.y;
    m_applied.publish(s);

    // The window, shown while its pages are still being built.
    m_window = std::make_unique<MainWindow>(
        WindowSetup{m_cProf, m_state.cProgName.getData(), s.posX, s.posY, s.nFrameState, target});
    m_window->create();

    // The display source and its period as the timer thread will find them.
    m_mode.reset();

    DisplayPage::Actions actions;
    actions.show = [this] { showAction(); };
    actions.watch = [this] { watchAction(); };
    actions.freeze = [this] { freezeAction(); };
    actions.manualCode = [this](const std::string& code) { m_state.cCode.setData(code); };
    m_display = new DisplayPage(m_window->page(Page::Display),
                                {m_window->nWidth(), m_window->nHeight(), m_window->cFont(),
                                 m_window->nOffset()},
                                std::move(actions));

    buildSettingsPage();
    display::CycleServices services = display::fileServices();
    services.pause = [this](int hundredths) { pauseTurn(hundredths); };
    services.writerDone = [this](const std::string& codeFile) { return writerDone(codeFile); };
    services.shown = [this](const std::string& code, display::Source source, const std::string& station) {
        logShown(code, source, station);
    };
    followShownLog(s);
    auto inventory = std::make_unique<inventory::InventoryLookup>();
    m_inventory = inventory.get();
    followPriceOnRequest(s);
    m_lookup = std::move(inventory);
    if (m_wrapAccess) m_wrapAccess(m_lookup, services);
    m_cycle = std::make_unique<display::DisplayCycle>(m_state, m_mode, *m_display, *m_lookup,
                                                      *m_settingsPage, m_applied, std::move(services));

    settings::ui::SlideListActions list;
    list.cPath = [this] { return m_applied.current().cPath; };
    list.show = [this] { listShowAction(); };
    list = settings::ui::withListFile(list, m_state.cListFile.getData(), [this] { releaseDisplayTables(); });
    // A list saved: the picture store copies its pictures next.
    list.applySave = [this, save = std::move(list.applySave)](settings::ListBox& l) {
        save(l);
        followPictureStore(m_applied.current());
    };
    m_listPage = new settings::ui::SlideListPage(m_window->page(Page::Choose), std::move(list));
    m_settingsPage->createDisplayButton();
    m_gate.setObserver([this](bool running) { m_pictures->turnRunning(running); });
    followPictureStore(s);

    m_window->revealPages();

    // Start mode.
    if (core::startsSlideShow(m_cMode)) {
        m_mode.showSlides(s.nSlow);
        m_state.cHost.setData("");
    }

    m_timer = std::make_unique<display::TimerThread>([this] { return m_mode.period(); },
                                                     [this] { timerTurn(); },
                                                     [this] { return followsCodeFile(); });
    m_timer->setBetweenTicks([this] { m_gate.run([this] { m_cycle->stepViews(); }); });
    m_watcher = std::make_unique<display::ui::CodeFileWatcher>([this] { m_timer->codeFileChanged(); },
                                                               [this] { m_timer->codeFileClosed(); });
    m_watcher->watch(s.cBuffer);
    // What follows the settings each Apply/Save puts in force.
    m_applied.follow([this](const settings::Settings& applied) {
        m_watcher->watch(applied.cBuffer);
        followChosenScreen();
        followPriceOnRequest(applied);
        followShownLog(applied);
        followPictureStore(applied);
    });
    // Started now, so that the turns asked for before its first one (Show in
    // the first seconds) run at once.
    m_timer->start(std::chrono::milliseconds(startDelayMs));

    // A screen plugged in or out: the window goes to the chosen screen while
    // it is connected, else to the primary one. Once Qt has settled the
    // change, not inside its signal.
    auto screensChanged = [this] {
        QTimer::singleShot(0, m_window.get(), [this] { followChosenScreen(); });
    };
    QObject::connect(qApp, &QGuiApplication::screenAdded, m_window.get(), screensChanged);
    QObject::connect(qApp, &QGuiApplication::screenRemoved, m_window.get(), screensChanged);

    if (m_instance) {
        m_instance->listen([this] {
            // By name: nothing of this thread's travels in the call.
            QMetaObject::invokeMethod(m_window.get(), "bringToFront", Qt::QueuedConnection);
        });
    }
}

std::string Program::claimKey(const std::string& paramFile) {
    // Profiles and folders are names without regard to case, as on Windows.
    return core::upper(paramFile);
}

Program::Claim Program::claimProfile() {
    m_instance = std::make_unique<platform::SingleInstance>(claimKey(m_state.cParamFile.getData()));
    if (m_instance->claim()) return Claim::Claimed;
    const bool raised = m_instance->askToRaise(kClaimWait);
    m_instance.reset();
    return raised ? Claim::Raised : Claim::NoAnswer;
}

void Program::followPriceOnRequest(const settings::Settings& s) {
    if (!s.priceOnRequest) return m_inventory->setPriceOnRequest(std::nullopt);
    m_inventory->setPriceOnRequest(inventory::PriceOnRequest{*s.priceOnRequest, s.priceOnRequestText});
}

void Program::followShownLog(const settings::Settings& s) {
    std::lock_guard lock(m_shownLogMutex);
    if (!s.shownLog) {
        m_shownLog.reset();
    } else if (!m_shownLog) {
        m_shownLog = std::make_shared<settings::ShownLog>(m_state.cAppPath.getData(), m_cProf);
    }
}

void Program::logShown(const std::string& code, display::Source source, const std::string& station) {
    std::shared_ptr<settings::ShownLog> log;
    {
        std::lock_guard lock(m_shownLogMutex);
        log = m_shownLog;
    }
    if (!log) return;
    const settings::ShownSource from = source == display::Source::Slides ? settings::ShownSource::SlideShow
                                       : source == display::Source::Kbd  ? settings::ShownSource::Typed
                                                                         : settings::ShownSource::Till;
    log->shown(std::time(nullptr), code, from, station);
}

void Program::followPictureStore(const settings::Settings& s) {
    std::vector<std::string> entries;
    const settings::ListBox& list = m_listPage->list();
    for (int i = 1; i <= list.count(); ++i) entries.push_back(list.itemText(i));
    m_pictures->apply(s.pictureStoreMb, s.cPath, entries);
}

void Program::followChosenScreen() {
    m_window->moveTo(targetScreen(m_applied.current().screen));
    m_settingsPage->refreshScreens();
}

void Program::buildSettingsPage() {
    QWidget* page = m_window->page(Page::Settings);
    settings::ui::PaintSomeIcons(page);
    SettingsPage::Actions actions;
    actions.applied = [this] { return m_applied.current(); };
    actions.applySave = [this] { applySaveAction(); };
    actions.help = [this] { helpAction(); };
    actions.reindex = [this, page] {
        inventory::ui::runIndexUtil(page, m_applied.current().cPath, [this] { releaseDisplayTables(); });
    };
    actions.display = [this] { m_window->showDisplayFromSettings(); };
    m_settingsPage = std::make_unique<SettingsPage>(page, m_applied.current(), fileChooser(),
                                                    std::move(actions));
}

void Program::applySaveAction() {
    askTurn({display::TurnRequest::Kind::Reset});
    settings::Settings s = m_settingsPage->edited(m_applied.current());
    // SaveParam tells the user itself whether the parameters were saved.
    static_cast<void>(settings::SaveParam(m_state.cParamFile.getData(), s,
                                          WindowState(*m_window, m_settingsPage->fullScreenTicked())));
    m_applied.publish(s);
    if (m_mode.applySettings(s.nSlow, s.nFast) == display::Source::Kbd) {
        m_display->focusManualEntry();
    } else {
        m_display->showFreezeButtonNow();
    }
}

bool Program::codeFileWatched(std::chrono::milliseconds limit) {
    return m_watcher && m_watcher->waitArmed(limit);
}

void Program::helpAction() { settings::ui::HelpText(m_window.get(), m_state.cAppPath.getData()); }

bool Program::finish(std::chrono::milliseconds patience) {
    if (m_instance) m_instance->stopListening();  // the claim itself lasts until the end
    if (m_watcher) m_watcher->stop();  // before the timer it calls; a turn may still ask it
    const bool stopped = !m_timer || m_timer->stop(patience);
    if (stopped) m_watcher.reset();
    return stopped;
}

std::optional<bool> Program::writerDone(const std::string& codeFile) const {
    if (m_watcher) {
        if (const std::optional<bool> done = m_watcher->writerDone(codeFile)) return done;
    }
    const std::optional<bool> writing = platform::openForWriting(codeFile);
    return writing ? std::optional<bool>(!*writing) : std::nullopt;
}

void Program::pauseTurn(int hundredths) {
    if (m_timer) m_timer->pause(hundredths);
    else platform::sleepHundredths(hundredths);
}

bool Program::followsCodeFile() const {
    const display::DisplayMode::State mode = m_mode.state();
    return (mode.source == display::Source::Data || mode.idleSlides) &&
           mode.period != display::kNoTurns && !core::StopDisplay();
}

void Program::timerTurn() {
    m_gate.run([this] { m_cycle->turn(); });
}

void Program::askTurn(const display::TurnRequest& request) {
    m_timer->askTurn([this, request] { m_gate.run([&] { m_cycle->turn(request); }); });
}

void Program::releaseDisplayTables() {
    const bool released = m_timer->awaitTurn(
        [this] { m_gate.run([this] { m_cycle->turn({display::TurnRequest::Kind::Reset}); }); },
        kReleaseWait);
    // A turn that waits for a share that no longer answers: whoever wanted
    // the tables finds them held and says so.
    if (!released) std::fprintf(stderr, "lumisett: the display's turn did not end in time\n");
}

void Program::showAction() {
    m_mode.showSlides(m_applied.current().nSlow);
    m_display->leaveManualEntry();
    // Emptied before the forced turn: a slide carries no station name, the
    // first one included.
    m_state.cHost.setData("");
    askTurn({display::TurnRequest::Kind::Show, display::Source::Slides});
}

void Program::watchAction() {
    m_mode.watch(m_applied.current().nFast);
    m_display->leaveManualEntry();
}

void Program::freezeAction() {
    m_mode.freeze();
    m_display->enterManualEntry();
}

void Program::listShowAction() {
    m_window->showPage(Page::Display);
    m_mode.showSlides(m_applied.current().nSlow);
    m_state.cHost.setData("");
}

}  // namespace app
