#include "inventory/ui/index_util_ui.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "core/display_state.h"
#include "errors/handler_test_support.h"
#include "inventory/testing/reindex_tables.h"

namespace inventory::ui {
namespace {

using namespace inventory::test;

constexpr platform::Answer kOk = platform::Answer::Ok, kCancel = platform::Answer::Cancel,
                           kNo = platform::Answer::No;

// Filled squares in a snapshot of the bar: runs of red along the middle row.
int paintedSquares(const QImage& image) {
    int runs = 0;
    bool inRun = false;
    for (int x = 0; x < image.width(); ++x) {
        const bool red = image.pixel(x, image.height() / 2) == qRgb(255, 0, 0);
        if (red && !inRun) ++runs;
        inRun = red;
    }
    return runs;
}

// The bar, paced: a pause of a millisecond every 1000 records, so that the
// test does not depend on how fast this machine reads a table.
class PacedBar : public ReindexBarWidget {
public:
    using ReindexBarWidget::ReindexBarWidget;
    void increment(double n) override {
        ReindexBarWidget::increment(n);
        if (++m_count % 1000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

private:
    long m_count = 0;
};

struct ReindexPageTest : ::testing::Test {
    void SetUp() override {
        core::resetDisplayState();
        page.resize(640, 480);
        page.show();
    }
    void TearDown() override { core::resetDisplayState(); }

    testsupport::TempDir dir;
    testsupport::ScriptedDialogs dialogs;
    testsupport::DialogsScope dialogsScope{&dialogs};
    errors::test::HandlerScope handler{errors::standardHandler(errors::test::testServices(dialogs, dir))};
    QWidget page;
};

TEST_F(ReindexPageTest, BarAdvancesOnScreenWhileTheWindowTakesNoInput) {
    writeTable(dir.file("istock.dbf"), 300000, 'S');
    QPushButton button(QStringLiteral("Show"), &page);
    button.setGeometry(10, 10, 80, 30);
    button.show();
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });

    std::vector<int> painted;
    QRect labelRect, barRect;
    QString labelText;
    int labelPoints = 0;
    bool blockedSeen = true;
    ReindexLabelWidget label(&page);
    PacedBar bar(&page, [&](ProgressBar* b) {
        labelRect = label.widget()->geometry();
        labelText = label.widget()->text();
        labelPoints = label.widget()->font().pointSize();
        barRect = b->geometry();
        QObject::connect(b, &ProgressBar::redrawn, [&, b] {
            painted.push_back(paintedSquares(b->snapshot()));
            QTest::mouseClick(&button, Qt::LeftButton);  // swallowed while the run lasts
            blockedSeen = blockedSeen && inputBlocked();
        });
    });
    dialogs.answer(kOk);

    EXPECT_EQ(IndexUtil(dir.str(), label, bar,
                        [&](const std::function<void()>& work) { runWhileBlockingInput(&page, work); }),
              ReindexResult::Done);

    EXPECT_EQ(labelRect, QRect(30, 480 - 318 - 24, 110, 24));
    EXPECT_EQ(labelText, "Re-indexing:");
    EXPECT_EQ(labelPoints, 16);
    EXPECT_EQ(barRect, QRect(150, 480 - 318 - 24, 400, 24));
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(blockedSeen);
    EXPECT_FALSE(inputBlocked());
    // Several different stages were on screen before the bar was full.
    std::vector<int> stages;
    for (int n : painted) {
        if (n > 0 && n < 17 && (stages.empty() || stages.back() != n)) stages.push_back(n);
    }
    EXPECT_GE(stages.size(), 3u) << "painted squares: " << ::testing::PrintToString(painted);
    EXPECT_TRUE(std::is_sorted(stages.begin(), stages.end()));
    EXPECT_EQ(label.widget(), nullptr);
    EXPECT_EQ(bar.widget(), nullptr);
    EXPECT_EQ(checkIndex(dir.file("istock.dbf"), dir.file("istkcode.ntx")), "");
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ReindexPageTest, FailedRunLeavesNoLabelOrBarOnThePage) {
    struct Case {
        const char* name;
        bool holdStock;
        const char* subKeyField;
        std::vector<platform::Answer> answers;
        const char* shown;  // part of a box's text
    } cases[] = {
        {"stock table held by the point-of-sale", true, "CODE", {kOk}, "could not be opened for exclusive use"},
        {"error dialogue answered Cancel, then No", false, "SKU", {kOk, kCancel, kNo}, "isub->code"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir data;
        writeTable(data.file("istock.dbf"), 20, 'S');
        writeTable(data.file("imerch.dbf"), 20, 'M');
        writeTable(data.file("isub.dbf"), 20, 'U', c.subKeyField);
        std::optional<HeldTable> pos;
        if (c.holdStock) pos.emplace(data.file("istock.dbf"));
        for (platform::Answer a : c.answers) dialogs.answer(a);

        runIndexUtil(&page, data.str());

        const auto boxes = dialogs.boxes();
        EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(),
                                [&](const auto& b) { return b.text.find(c.shown) != std::string::npos; }));
        EXPECT_TRUE(page.findChildren<QLabel*>().isEmpty());
        EXPECT_TRUE(page.findChildren<ProgressBar*>().isEmpty());
        EXPECT_TRUE(core::StopDisplay());
        EXPECT_FALSE(std::filesystem::exists(data.path() / "istkcode.ntx"));
    }
}

}  // namespace
}  // namespace inventory::ui
