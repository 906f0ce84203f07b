#include "settings/param_file.h"

#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "testsupport/temp_dir.h"

namespace {

using settings::Params;

class RecordingDialogs : public platform::Dialogs {
public:
    void messageBox(const std::string& text, const std::string&) override { messages.push_back(text); }
    int confirmBox(const std::string&, const std::string&, int, int) override { return 1; }
    int alertBox(const std::string&, const std::vector<std::string>&) override { return 1; }
    std::vector<std::string> messages;
};

struct FakeWindow : settings::WindowQuery {
    int state = 3;
    double x = 212, y = 184;
    bool ticked = true;
    int frameState() const override { return state; }
    double positionX() const override { return x; }
    double positionY() const override { return y; }
    bool fullScreenTicked() const override { return ticked; }
};

class ParamFileTest : public ::testing::Test {
protected:
    void SetUp() override { previous = platform::setDialogs(&dialogs); }
    void TearDown() override { platform::setDialogs(previous); }
    std::string file() const { return dir.file("TILL2.ini"); }

    testsupport::TempDir dir;
    RecordingDialogs dialogs;
    platform::Dialogs* previous = nullptr;
};

const char kSaved[] =
    "[CodeSpec]\r\nC:\\POS\\image.tmp\r\n\r\n[Datapath]\r\nC:\\POS\r\n\r\n[SlowTime]\r\n100\r\n\r\n"
    "[FastTime]\r\n10\r\n\r\n[StartPos]\r\n212,184,2\r\n";

TEST_F(ParamFileTest, SaveWritesTheFourteenLinesByteForByte) {
    FakeWindow window;
    double x = 0, y = 0;
    ASSERT_TRUE(settings::SaveParam(file(), "C:\\POS\\image.tmp", "C:\\POS", 100, 10, x, y, window)
                    .isOk());
    EXPECT_EQ(dir.read("TILL2.ini"), kSaved);
    EXPECT_EQ(x, 212);
    EXPECT_EQ(y, 184);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Parameters saved."});
}

TEST_F(ParamFileTest, ReadBackGivesTheSavedValues) {
    dir.write("TILL2.ini", kSaved);
    Params p{"other", "other", 5, 6, 1, 2, 3};
    EXPECT_EQ(settings::ReadParam(file(), p), kSaved);
    EXPECT_EQ(*p.cBuffer, "C:\\POS\\image.tmp");
    EXPECT_EQ(*p.cPath, "C:\\POS");
    EXPECT_EQ(*p.nSlow, 100);
    EXPECT_EQ(*p.nFast, 10);
    EXPECT_EQ(*p.posX, 212);
    EXPECT_EQ(*p.posY, 184);
    EXPECT_EQ(*p.nFrameState, 2);
}

TEST_F(ParamFileTest, MaximisedWindowKeepsTheOldPosition) {
    FakeWindow window;
    window.state = 2;
    window.ticked = false;
    double x = 10, y = -20;
    ASSERT_TRUE(settings::SaveParam(file(), " a ", "", 20, 5, x, y, window).isOk());
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, -20);
    std::string text = dir.read("TILL2.ini");
    EXPECT_NE(text.find("\r\n[StartPos]\r\n10,-20,3\r\n"), std::string::npos);
    Params p;
    settings::ReadParam(file(), p);
    EXPECT_EQ(*p.cBuffer, " a ");  // blanks kept both ways
}

TEST_F(ParamFileTest, PeriodFormatting) {
    struct Case {
        double period;
        const char* line;
    } cases[] = {{100, "100"}, {20, "20"}, {5, "5"}, {1000, "***"}, {2.5, "3"}, {-5, "-5"}};
    for (const auto& c : cases) {
        std::string text = settings::paramText("", "", c.period, 10, 0, 0, 3);
        EXPECT_NE(text.find(std::string("[SlowTime]\r\n") + c.line + "\r\n"), std::string::npos)
            << c.period;
    }
}

TEST_F(ParamFileTest, MisformedFiles) {
    struct Case {
        const char* name;
        const char* text;
        Params start;
        Params expected;
    } cases[] = {
        {"missing file gives defaults to empty values", nullptr, {}, {"", "", 100, 20}},
        {"missing sections keep given values", "", {"a", "b", 7, 8, 1, 2, 3}, {"a", "b", 7, 8, 1, 2, 3}},
        {"heads in any case and order",
         "[starttime]\r\n[fasttime]\r\n15\r\n[DATApath]\r\nD:\\x\r\n[codespec]\r\nX:\\i.tmp\r\n",
         {}, {"X:\\i.tmp", "D:\\x", 100, 15}},
        {"LF-only lines lose the first character",
         "[CodeSpec]\nC:\\POS\\image.tmp\r\n[SlowTime]\n250\r\n", {}, {":\\POS\\image.tmp", "", 50, 20}},
        {"head without CR LF after it gives empty values", "[SlowTime]\r\n200", {std::nullopt, std::nullopt, 7},
         {"", "", 0, 20}},
        {"asterisk periods read as 0", "[SlowTime]\r\n***\r\n[FastTime]\r\n***\r\n", {}, {"", "", 0, 0}},
        {"start position without commas", "[StartPos]\r\n212 184\r\n", {{}, {}, {}, {}, 5, 6, 3},
         {"", "", 100, 20, 5, 6, 3}},
        {"start position with one comma", "[StartPos]\r\n212,184\r\n", {{}, {}, {}, {}, 5, 6, 3},
         {"", "", 100, 20, 212, 184, 3}},
        {"frame state 3", "[StartPos]\r\n-5,7,3\r\n", {{}, {}, {}, {}, 5, 6, 2},
         {"", "", 100, 20, -5, 7, 3}},
    };
    for (const auto& c : cases) {
        if (c.text) {
            dir.write("TILL2.ini", c.text);
        } else {
            std::filesystem::remove(file());
        }
        Params p = c.start;
        settings::ReadParam(file(), p);
        EXPECT_EQ(p.cBuffer, c.expected.cBuffer) << c.name;
        EXPECT_EQ(p.cPath, c.expected.cPath) << c.name;
        EXPECT_EQ(p.nSlow, c.expected.nSlow) << c.name;
        EXPECT_EQ(p.nFast, c.expected.nFast) << c.name;
        EXPECT_EQ(p.posX, c.expected.posX) << c.name;
        EXPECT_EQ(p.posY, c.expected.posY) << c.name;
        EXPECT_EQ(p.nFrameState, c.expected.nFrameState) << c.name;
    }
}

TEST_F(ParamFileTest, FailedSaveIsReportedAndLeavesTheOldFile) {
    dir.write("TILL2.ini", kSaved);
    FakeWindow window;
    double x = 0, y = 0;
    // A folder in the way of the temporary file's rename makes the write fail.
    std::string target = dir.file("sub");
    std::filesystem::create_directories(target + "/blocker");
    EXPECT_FALSE(settings::SaveParam(target, "a", "b", 100, 10, x, y, window).isOk());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].find("Parameters saved."), std::string::npos);
    EXPECT_NE(dialogs.messages[0].find("NOT saved"), std::string::npos);
    EXPECT_EQ(dir.read("TILL2.ini"), kSaved);
}

}  // namespace
