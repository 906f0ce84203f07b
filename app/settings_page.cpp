#include "app/settings_page.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <algorithm>

#include "app/widget_style.h"
#include "platform/ui/qt_text.h"
#include "core/xbase_values.h"
#include "platform/path.h"
#include "settings/screen_choice.h"
#include "settings/ui/icon_row.h"

namespace app {
namespace {

QLabel* label(QWidget* page, const char* text, double x, double y, double w, double h) {
    auto* l = new QLabel(page);
    l->setTextFormat(Qt::PlainText);  // "<image.tmp>" is a file's name, not markup
    l->setText(QString::fromUtf8(text));
    l->setFont(compoundFont("12.Times New Roman"));
    placeBottomLeft(l, x, y, w, h);
    return l;
}

QPushButton* button(QWidget* page, const char* caption, const char* font, double x, double y,
                    double w, double h, bool tabStop) {
    QPushButton* b = makeButton(page, caption);
    b->setFont(compoundFont(font));
    if (!tabStop) b->setFocusPolicy(Qt::ClickFocus);
    placeBottomLeft(b, x, y, w, h);
    return b;
}

QPushButton* browseButton(QWidget* page, double x, double y) {
    QPushButton* b = button(page, "", "12.Times New Roman", x, y, 28, 28, false);
    b->setIcon(settings::ui::resourcePicture(21));
    return b;
}

// Puts `text` whole into a path field. The field's limit stops typing; a
// longer value that the program puts there (from the parameter file, from a
// chooser) is kept whole, for Apply/Save to refuse rather than cut.
void setWhole(QLineEdit* e, const std::string& text) {
    const QString value = platform::ui::toQString(text);
    e->setMaxLength(std::max<int>(settings::kPathFieldWidth, int(value.size())));
    e->setText(value);
}

QLineEdit* entry(QWidget* page, const std::string& text, double x, double y) {
    auto* e = new QLineEdit(page);
    setWhole(e, text);
    setColours(e, -47);
    placeBottomLeft(e, x, y, 500, 24);
    return e;
}

QCheckBox* checkBox(QWidget* page, const char* text, bool checked, double x, double y, double w) {
    auto* c = new QCheckBox(QString::fromUtf8(text), page);
    c->setChecked(checked);
    placeBottomLeft(c, x, y, w, 20);
    return c;
}

QSpinBox* spin(QWidget* page, int low, int high, double value, double x, double y, double w) {
    auto* s = new QSpinBox(page);
    setColours(s, -47);
    s->setRange(low, high);  // limits first, then the value
    s->setValue(int(value));
    placeBottomLeft(s, x, y, w, 24);
    return s;
}

}  // namespace

std::string dataPathFromChoice(const std::string& chosen) {
    std::string out = chosen;
    for (const char* name : {"imerch.dbf", "istock.dbf", "isub.dbf"}) {
        out = core::replaceAll(out, std::string("\\") + name, "");
        if (platform::isSeparator('/')) out = core::replaceAll(out, std::string("/") + name, "");
    }
    return out;
}

SettingsPage::SettingsPage(QWidget* page, const settings::Settings& v, Chooser chooser,
                           Actions actions)
    : m_page(page), m_chooser(std::move(chooser)), m_actions(std::move(actions)) {
    label(page, "Read Inventory Code from this <image.tmp> file", 28, 228, 358, 24);
    m_browseCode = browseButton(page, 530, 203);
    m_imagePath = entry(page, v.cBuffer, 28, 204);
    label(page, "Vendora Data Root Path", 28, 168, 170, 24);
    m_browseData = browseButton(page, 530, 143);
    m_dataPath = entry(page, v.cPath, 28, 144);
    m_slow = spin(page, settings::kSlowMin, settings::kSlowMax, v.nSlow, 113, 60, 48);
    m_fast = spin(page, settings::kFastMin, settings::kFastMax, v.nFast, 267, 60, 36);
    label(page, "Refresh  rate (1/10 seconds)", 38, 96, 204, 24);
    label(page, "Slide Show", 38, 58, 76, 24);
    label(page, "Data Monitor", 180, 58, 85, 24);
    m_fullScreen = new QCheckBox(
        "Maximize + centre (Check or Uncheck, then Apply/Save and restart to effect change)", page);
    placeBottomLeft(m_fullScreen, 30, 5, 535, 20);
    m_fullScreen->setChecked(v.nFrameState == 2);
    m_reindex = button(page, "Re-index", "10.Times New Roman", 170, 173, 50, 15, false);
    m_help = button(page, "Help", "16.Times New Roman", 408, 104, 96, 24, true);
    m_applySave = button(page, "Apply/Save", "14.Times New Roman", 408, 66, 96, 24, true);

    // The additions, each in a band that none of the widgets above uses.
    label(page, "Customer's screen", 28, 256, 124, 24);
    m_screen = new QComboBox(page);
    setColours(m_screen, -47);
    placeBottomLeft(m_screen, 154, 256, 232, 24);
    showScreens(v.screen);
    label(page, "Slide show when idle for", 38, 30, 170, 24);
    m_idleSlides = spin(page, int(settings::kIdleSlidesMin), int(settings::kIdleSlidesMax),
                        v.idleSlides, 210, 30, 60);
    label(page, "seconds (0: never)", 274, 30, 126, 24);
    // The shop's hands-off pair, between the data path and the periods.
    m_watchdog = checkBox(page, "Restart after a crash", v.watchdog, 38, 122, 172);
    m_kiosk = checkBox(page, "Screen awake, no pointer", v.kiosk, 214, 122, 186);

    for (const auto& [widget, name] : probeNames()) {
        if (widget) const_cast<QWidget*>(widget)->setObjectName(QString::fromLatin1(name));
    }
    m_slowValue = m_slow->value();
    QObject::connect(m_slow, &QSpinBox::valueChanged, [this](int v) { m_slowValue = v; });
    QObject::connect(m_browseCode, &QPushButton::clicked, [this] { browseCodeFile(); });
    QObject::connect(m_browseData, &QPushButton::clicked, [this] { browseDataPath(); });
    auto run = [](const std::function<void()>& action) {
        return [&action] {
            if (action) action();
        };
    };
    QObject::connect(m_applySave, &QPushButton::clicked, run(m_actions.applySave));
    QObject::connect(m_help, &QPushButton::clicked, run(m_actions.help));
    QObject::connect(m_reindex, &QPushButton::clicked, run(m_actions.reindex));
}

void SettingsPage::showScreens(const std::string& current) {
    std::vector<settings::ScreenInfo> screens;
    for (const QScreen* s : QGuiApplication::screens()) {
        screens.push_back({platform::ui::fromQString(s->name()), s->geometry().width(),
                           s->geometry().height()});
    }
    std::size_t selected = 0;
    QSignalBlocker block(m_screen);
    m_screen->clear();
    for (const settings::ScreenChoice& c : settings::screenChoices(screens, current, &selected)) {
        m_screen->addItem(platform::ui::toQString(c.label), platform::ui::toQString(c.value));
    }
    m_screen->setCurrentIndex(int(selected));
}

void SettingsPage::refreshScreens() {
    showScreens(platform::ui::fromQString(m_screen->currentData().toString()));
}

settings::Settings SettingsPage::edited(settings::Settings applied) const {
    applied.cBuffer = platform::ui::fromQString(m_imagePath->text());
    applied.cPath = platform::ui::fromQString(m_dataPath->text());
    applied.nSlow = m_slow->value();
    applied.nFast = m_fast->value();
    applied.screen = platform::ui::fromQString(m_screen->currentData().toString());
    applied.idleSlides = m_idleSlides->value();
    applied.watchdog = m_watchdog->isChecked();
    applied.kiosk = m_kiosk->isChecked();
    return applied;
}

bool SettingsPage::fullScreenTicked() const { return m_fullScreen->isChecked(); }

std::vector<std::pair<const QWidget*, const char*>> SettingsPage::probeNames() const {
    return {{m_imagePath, "oImagePath"},   {m_dataPath, "oDataPath"},     {m_slow, "oSlow"},
            {m_fast, "oFast"},             {m_fullScreen, "oFullScreen"}, {m_browseCode, "oBrowseCode"},
            {m_browseData, "oBrowseData"}, {m_reindex, "oReindex"},       {m_help, "oHelp"},
            {m_applySave, "oApplySave"},   {m_display, "oDisplay"},       {m_screen, "oScreen"},
            {m_idleSlides, "oIdleSlides"}, {m_watchdog, "oWatchdog"},   {m_kiosk, "oKiosk"}};
}

void SettingsPage::createDisplayButton() {
    m_display = button(m_page, "Display", "16.Times New Roman", 408, 28, 96, 24, true);
    m_display->setObjectName("oDisplay");
    // The additions come after every widget of the page in the Tab order.
    QWidget::setTabOrder(m_display, m_screen);
    QWidget::setTabOrder(m_screen, m_idleSlides);
    QWidget::setTabOrder(m_idleSlides, m_watchdog);
    QWidget::setTabOrder(m_watchdog, m_kiosk);
    QObject::connect(m_display, &QPushButton::clicked, [this] {
        if (m_actions.display) m_actions.display();
    });
    m_display->show();
}

std::string SettingsPage::applied(std::string settings::Settings::*value) const {
    return m_actions.applied ? m_actions.applied().*value : std::string();
}

void SettingsPage::browseCodeFile() {
    std::string chosen = m_chooser(platform::ui::fromQString(m_imagePath->text()), "image.tmp",
                                   "image.tmp path");
    if (chosen.empty()) chosen = applied(&settings::Settings::cBuffer);
    setWhole(m_imagePath, chosen);
}

void SettingsPage::browseDataPath() {
    std::string chosen = m_chooser(platform::ui::fromQString(m_dataPath->text()),
                                   "imerch.dbf;istock.dbf;isub.dbf", "istock.dbf data path");
    if (chosen.empty()) chosen = applied(&settings::Settings::cPath);
    setWhole(m_dataPath, dataPathFromChoice(chosen));
}

}  // namespace app
