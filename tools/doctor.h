#pragma once

#include <cstdio>
#include <string>

#include "core/profile.h"
#include "settings/param_file.h"

// lumisett-tool doctor: what a support call checks in a shop, one line per
// check, plain text. Reads only; writes nothing in the shop. One thread.
namespace tools::doctor {

// The lines of the report, each "ok", "WARN" or "FAIL" and the finding; a
// failure says what to do about it.
class Report {
public:
    explicit Report(std::FILE* out) : m_out(out) {}
    void ok(const std::string& finding) { line("ok", finding, ""); }
    void warn(const std::string& finding, const std::string& todo = "") { line("WARN", finding, todo); }
    void fail(const std::string& finding, const std::string& todo) {
        m_failed = true;
        line("FAIL", finding, todo);
    }
    bool failed() const { return m_failed; }

private:
    void line(const char* verdict, const std::string& finding, const std::string& todo) {
        std::fprintf(m_out, "%-4s %s%s%s\n", verdict, finding.c_str(), todo.empty() ? "" : " -- ",
                     todo.c_str());
    }

    std::FILE* m_out;
    bool m_failed = false;
};

// The shop as the display would see it, started in `appPath` with `profile`.
struct Shop {
    std::string appPath;          // program form, no trailing separator
    core::ProfileFiles files;
    settings::Settings settings;  // the parameter file's, or the defaults
    bool codeFileSet = false;     // the parameter file names a code file
};

// The checks, in the report's order. Each adds its lines to `report`.
// The parameter file: present, readable, its values; fills shop.settings.
void checkParamFile(Shop& shop, Report& report);
// The code file, its folder, and whether changes there are notified.
void checkCodeFile(const Shop& shop, Report& report);
// The tables and indexes in the data path, a sample of lookups in each table,
// and the items' pictures.
void checkData(const Shop& shop, Report& report);
// The slide show list's entries that resolve to an item or a picture.
void checkSlideList(const Shop& shop, Report& report);
// [Screen]: whether one is chosen (the tool sees no screens).
void checkScreen(const Shop& shop, Report& report);
// The error logs in the program folder, newest first.
void checkErrorLogs(const Shop& shop, Report& report);

// What an item lookup gave: "" when the code came back described, else why
// not in a few words. Never asks anyone (errors::defaultOrUnwind); an error
// on the way is named.
std::string lookupProblem(const std::string& code, const std::string& cPath);

// A size in bytes for a person: "512 bytes", "14 KB", "3.2 MB".
std::string sizeText(unsigned long long bytes);

}  // namespace tools::doctor
