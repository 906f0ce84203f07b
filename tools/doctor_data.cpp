// doctor: the inventory tables and their indexes, lookups, pictures.
#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/xbase_values.h"
#include "display/find_pic.h"
#include "errors/error.h"
#include "inventory/index_util.h"
#include "inventory/item_code.h"
#include "inventory/make_desc.h"
#include "platform/file_kind.h"
#include "platform/file_stamp.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "tables/table.h"
#include "tables/table_index.h"
#include "tools/doctor.h"

namespace tools::doctor {
namespace {

// Codes looked up in each table, spread over its records.
constexpr std::uint32_t kSampleCodes = 5;
// Items whose picture is looked for in each table, spread over its records,
// and the time that may take: the picture finder lists a folder for every
// name it does not find, which a large images folder makes slow (ten thousand
// pictures there take tens of milliseconds an item).
constexpr std::uint32_t kPictureItems = 2000;
constexpr std::chrono::seconds kPictureTime{10};
// The largest pictures named.
constexpr std::size_t kLargestShown = 3;

std::string reindexTodo(const std::string& cPath) {
    return "re-index while the point-of-sale has the tables closed (the Settings page's Re-index, or "
           "lumisett-tool reindex " + cPath + ")";
}

std::string nameOf(const std::string& path) {
    const std::size_t sep = platform::lastSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

// One inventory table as the checks found it.
struct Checked {
    inventory::IndexFile files;
    bool present = false;
    std::unique_ptr<tables::Table> table;  // open, shared and read-only, when readable
    std::uint32_t records = 0;
};

// The live record's code at or after `recno`, "" when none follows.
std::string liveCodeFrom(tables::Table& table, std::uint32_t recno) {
    std::string code;
    for (platform::Status st = table.goTo(recno); st.isOk() && !table.eof(); st = table.next()) {
        if (table.deleted() || !table.getText("CODE", &code).isOk()) continue;
        code = core::alltrim(code);
        if (!code.empty()) return code;
    }
    return "";
}

void checkTable(const std::string& cPath, Checked& t, Report& report) {
    const std::string& file = t.files.table;
    platform::Status st = tables::Table::open(file, true, true, &t.table);
    if (st.isOk()) st = t.table->recordCount(&t.records);
    if (!st.isOk()) {
        t.table.reset();
        report.fail("table " + file + ": cannot be read: " + st.message(),
                    st.code() == platform::Status::Code::Locked
                        ? "another program holds it alone; close it and check again"
                        : "restore the table from the point-of-sale's backup");
        return;
    }
    report.ok("table " + file + ": " + std::to_string(t.records) + " records");

    const std::string& index = t.files.index;
    if (platform::fileKindAt(index) == platform::FileKind::Missing) {
        report.fail("index " + index + ": missing", reindexTodo(cPath));
        return;
    }
    tables::IndexCheck check;
    st = tables::verifyIndex(file, index, &check);
    if (!st.isOk()) {
        report.fail("index " + index + ": cannot be read: " + st.message(), reindexTodo(cPath));
    } else if (!check.problems.empty()) {
        report.fail("index " + index + ": does not match its table (" +
                        std::to_string(check.entries) + " entries for " +
                        std::to_string(check.records) + " records; " + check.problems.front() + ")",
                    reindexTodo(cPath));
    } else {
        report.ok("index " + index + ": " + std::to_string(check.entries) + " entries for " +
                  std::to_string(check.records) + " records, in key order");
    }
}

void checkLookups(const std::string& cPath, Checked& t, Report& report) {
    std::vector<std::string> codes;
    for (std::uint32_t k = 0; k < kSampleCodes && t.records > 0; ++k) {
        const std::uint32_t recno =
            kSampleCodes == 1 ? 1 : 1 + std::uint32_t(std::uint64_t(t.records - 1) * k / (kSampleCodes - 1));
        std::string code = liveCodeFrom(*t.table, recno);
        if (!code.empty() && std::find(codes.begin(), codes.end(), code) == codes.end()) {
            codes.push_back(code);
        }
    }
    const std::string what = "lookups of codes in " + nameOf(t.files.table);
    if (codes.empty()) {
        report.warn(what + ": the table holds no item to look up");
        return;
    }
    std::vector<std::string> problems;
    for (const std::string& code : codes) {
        const std::string problem = lookupProblem(code, cPath);
        if (!problem.empty()) problems.push_back(code + " (" + problem + ")");
    }
    if (problems.empty()) {
        std::string list;
        for (const std::string& code : codes) list += (list.empty() ? "" : ", ") + code;
        report.ok(what + ": " + std::to_string(codes.size()) + " of " + std::to_string(codes.size()) +
                  " described (" + list + ")");
        return;
    }
    std::string list;
    for (const std::string& p : problems) list += (list.empty() ? "" : ", ") + p;
    report.fail(what + ": " + std::to_string(problems.size()) + " of " + std::to_string(codes.size()) +
                    " not described: " + list,
                reindexTodo(cPath));
}

struct Picture {
    std::string file;
    std::uint64_t size = 0;
};

// How many of the table's live items have a picture ("4 of 6 stock items"),
// adding each picture to `pictures`. A table of more than kPictureItems
// records, or one that takes longer than kPictureTime, is looked at in part,
// and the text says so.
std::string countPictures(const std::string& cPath, Checked& t, const char* kind,
                          std::vector<Picture>& pictures) {
    const auto deadline = std::chrono::steady_clock::now() + kPictureTime;
    const std::uint32_t picks = std::min(t.records, kPictureItems);
    std::uint32_t items = 0, withPicture = 0, k = 0;
    std::string code;
    for (; k < picks && std::chrono::steady_clock::now() < deadline; ++k) {
        const auto recno = std::uint32_t(1 + std::uint64_t(k) * t.records / picks);
        if (!t.table->goTo(recno).isOk() || t.table->eof() || t.table->deleted() ||
            !t.table->getText("CODE", &code).isOk()) {
            continue;
        }
        code = core::alltrim(code);
        if (code.empty()) continue;
        ++items;
        const std::string file = display::FindPic(code, cPath);
        if (file.empty()) continue;
        ++withPicture;
        const auto stamp = platform::fileStamp(file);
        pictures.push_back({file, stamp ? stamp->size : 0});
    }
    std::string text = std::to_string(withPicture) + " of " + std::to_string(items) + " " + kind;
    if (k < t.records) {
        text += " looked at (spread over " + std::to_string(t.records) + " records" +
                (k < picks ? ", until the time allowed ran out)" : ")");
    }
    return text;
}

void checkPictures(const std::string& cPath, Checked& stock, Checked& merch, Report& report) {
    std::vector<Picture> pictures;
    std::string text = "pictures:";
    if (stock.table) text += " " + countPictures(cPath, stock, "stock items", pictures);
    if (merch.table) {
        text += std::string(stock.table ? "," : "") + " " +
                countPictures(cPath, merch, "merchandise items", pictures);
    }
    text += " have one";
    if (pictures.empty()) {
        report.warn(text, "a picture goes in " + cPath + ", " + cPath + "\\images or " + cPath +
                              "\\images\\ and the code's first two letters, named after the code "
                              "(CH--123.jpg; .jpg, .bmp, .gif or .png)");
        return;
    }
    std::sort(pictures.begin(), pictures.end(),
              [](const Picture& a, const Picture& b) { return a.size > b.size; });
    text += "; the largest:";
    for (std::size_t i = 0; i < pictures.size() && i < kLargestShown; ++i) {
        text += std::string(i ? "," : "") + " " + pictures[i].file + " (" + sizeText(pictures[i].size) + ")";
    }
    report.ok(text);
}

}  // namespace

std::string lookupProblem(const std::string& code, const std::string& cPath) {
    std::string lastError;
    errors::ThreadHandlerScope quiet([&](errors::Error& e) -> errors::Action {
        lastError = e.description + (e.fileName.empty() ? "" : ": " + e.fileName);
        return errors::defaultOrUnwind(e);
    });
    const std::string cProgName = core::programState().cProgName.getData();
    const inventory::LookupStart start = inventory::startLookup(code, false, cProgName);
    if (start.text) return "not an item code";
    std::string text;
    try {
        // A lookup of its own for each code: the file checks run every time.
        text = inventory::InventoryLookup().MakeDesc(code, cPath);
    } catch (const errors::Unwind& u) {
        return "error: " + lastError;
    }
    if (!lastError.empty()) return "error: " + lastError;
    if (text == inventory::notFoundText(cProgName, start.code)) return "not found";
    if (text == inventory::indexFilesErrorText(cPath)) return "index missing or damaged";
    if (text == inventory::dataFilesErrorText(cPath)) return "tables cannot be opened";
    return "";
}

void checkData(const Shop& shop, Report& report) {
    const std::string& cPath = shop.settings.cPath;
    if (!platform::toNative(cPath)) {
        report.fail("data path " + cPath + ": the network path cannot be reached here",
                    "set LUMISETT_UNC_ROOT to the folder where \\\\server\\share is mounted");
        return;
    }
    if (platform::fileKindAt(cPath) == platform::FileKind::Missing) {
        report.fail("data path " + cPath + ": no such folder",
                    "on the Settings page, set the second field to the folder of istock.dbf, then "
                    "Apply/Save; on a share, check that it is connected");
        return;
    }
    const inventory::IndexFiles files = inventory::indexFiles(cPath);
    Checked stock{files.stock}, merch{files.merch}, sub{files.sub};
    for (Checked* t : {&stock, &merch, &sub}) t->present = platform::isFile(t->files.table);
    if (!stock.present) {
        report.fail("table " + stock.files.table + ": missing",
                    "set the data path to the point-of-sale's data folder (the one holding istock.dbf)");
    }
    if (!merch.present && !sub.present) {
        report.warn("tables " + merch.files.table + ", " + sub.files.table +
                        ": missing, so no merchandise item is found",
                    "a shop that sells merchandise items points the data path at the folder "
                    "holding all three tables");
    } else if (merch.present != sub.present) {
        const Checked& gone = merch.present ? sub : merch;
        report.fail("table " + gone.files.table + ": missing beside its partner",
                    "restore it from the point-of-sale's data folder");
    }
    for (Checked* t : {&stock, &merch, &sub}) {
        if (t->present) checkTable(cPath, *t, report);
    }
    for (Checked* t : {&stock, &merch, &sub}) {
        if (t->table) checkLookups(cPath, *t, report);
    }
    if (stock.table || merch.table) checkPictures(cPath, stock, merch, report);
}

}  // namespace tools::doctor
