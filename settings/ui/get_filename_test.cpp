#include "settings/ui/get_filename.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>

#include "testsupport/temp_dir.h"

namespace settings::ui {
namespace {

// Answers the dialog from the script and notes what it was asked.
struct ScriptedDialog : FileDialog {
    std::optional<std::string> answer;
    std::string title, start;
    std::vector<FileFilter> filters;
    std::vector<std::string>* events = nullptr;

    std::optional<std::string> openFile(const std::string& t, const std::vector<FileFilter>& f,
                                        const std::string& s) override {
        title = t;
        filters = f;
        start = s;
        if (events) events->push_back("dialog");
        return answer;
    }
};

class GetFilenameTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_old = setFileDialog(&dialog);
        dialog.events = &events;
    }
    void TearDown() override { setFileDialog(m_old); }
    ScriptedDialog dialog;
    std::vector<std::string> events;

private:
    FileDialog* m_old = nullptr;
};

#ifdef _WIN32
const char* const kAll = "*.*";
#else
const char* const kAll = "*";
#endif

TEST_F(GetFilenameTest, AsksWithTitleAndFiltersOfEachCaller) {
    struct Case {
        const char *cFilter, *cTitle, *title;
        std::vector<std::string> patterns;
    };
    const Case cases[] = {
        {"image.tmp", "image.tmp path", "Please select image.tmp path", {"image.tmp"}},
        {"imerch.dbf;istock.dbf;isub.dbf",
         "istock.dbf data path",
         "Please select istock.dbf data path",
         {"imerch.dbf", "istock.dbf", "isub.dbf"}},
        {"*.BMP;*.JPG;*.GIF;*.PNG",
         "Select image",
         "Please select Select image",
         {"*.BMP", "*.JPG", "*.GIF", "*.PNG"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cTitle);
        dialog.answer = "/x/Y.TMP";
        EXPECT_EQ(GetFilename("", c.cFilter, c.cTitle), "/x/y.tmp");
        EXPECT_EQ(dialog.title, c.title);
        EXPECT_EQ(dialog.filters,
                  (std::vector<FileFilter>{{c.cTitle, c.patterns}, {"All files", {kAll}}}));
    }
}

TEST_F(GetFilenameTest, ResultIsLowerCasedWholeOrEmptyOnCancel) {
    struct Case {
        std::optional<std::string> answer;
        std::string result;
    };
    const Case cases[] = {
        {"C:\\POS\\Images\\AB12345.JPG", "c:\\pos\\images\\ab12345.jpg"},
        {"/Shop/POS/ISTOCK.DBF", "/shop/pos/istock.dbf"},
        {"/pos/\xC9T\xC9.JPG", "/pos/\xE9t\xE9.jpg"},  // Windows-1252 capitals too
        {std::nullopt, ""},
    };
    for (const Case& c : cases) {
        events.clear();
        dialog.answer = c.answer;
        EXPECT_EQ(GetFilename("c:\\pos\\images", "*.JPG", "Select image"), c.result);
        EXPECT_EQ(events, (std::vector<std::string>{"dialog"}));
    }
}

TEST_F(GetFilenameTest, StartsAtTheNativeFormOfTheStart) {
    testsupport::TempDir dir;
    dir.write("Images/a.jpg", "x");
    dialog.answer = std::nullopt;
    GetFilename(dir.str() + "\\images", "*.JPG", "Select image");
#ifdef _WIN32
    EXPECT_EQ(dialog.start, dir.str() + "\\images");
#else
    EXPECT_EQ(dialog.start, dir.file("Images"));  // found whatever its case
#endif
}

TEST(QtFileDialogTest, ConfiguresAnOpenDialogForOneExistingFile) {
    testsupport::TempDir dir;
    dir.write("pos/image.tmp", "AB12345");
    struct Case {
        std::string start;
        std::string folder;
    };
    const Case cases[] = {
        {dir.file("pos"), dir.file("pos")},                 // a folder
        {dir.file("pos/image.tmp"), dir.file("pos")},       // a file in its folder
        {dir.file("pos/missing/deeper"), dir.file("pos")},  // nearest existing folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        QFileDialog d;
        QtFileDialog::configure(d, "Please select image.tmp path",
                                {{"image.tmp path", {"image.tmp"}}, {"All files", {"*"}}}, c.start);
        EXPECT_EQ(d.windowTitle(), "Please select image.tmp path");
        EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(d.nameFilters(), (QStringList{"image.tmp path (image.tmp)", "All files (*)"}));
        EXPECT_EQ(d.selectedNameFilter(), "image.tmp path (image.tmp)");
        EXPECT_EQ(QDir(d.directory()).canonicalPath(),
                  QDir(QString::fromStdString(c.folder)).canonicalPath());
    }
}

}  // namespace
}  // namespace settings::ui
