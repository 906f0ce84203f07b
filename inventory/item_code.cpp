#include "inventory/item_code.h"

#include "core/xbase_values.h"

namespace inventory {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// The two lines that open the welcome and the not-found texts.
std::string banner(std::string_view cProgName) {
    std::string text = " The ";
    text += cProgName;
    text += "Tillmaster\r\n\r\n     DATA DISPLAYER";
    return text;
}

}  // namespace

CodeClass classifyCode(std::string_view cCode) {
    if (cCode.size() != 7 || cCode.starts_with("00")) return CodeClass::Invalid;
    return core::numericValue(cCode) == 0 ? CodeClass::StandardStock : CodeClass::Merchandise;
}

LookupStart startLookup(std::string_view cCode, bool stopDisplay, std::string_view cProgName) {
    LookupStart start;
    if (stopDisplay) {
        start.text = programStoppedText();
        return start;
    }
    if (core::isEmptyText(cCode)) {
        start.text = welcomeText(cProgName);
        return start;
    }
    start.code = core::upper(cCode);
    start.codeClass = classifyCode(start.code);
    if (start.codeClass == CodeClass::Invalid) start.text = neitherStockNorMerchandiseText();
    return start;
}

TablePlan planTables(CodeClass codeClass, bool lTablesFound,
                     const std::function<bool(std::string_view fileName)>& exists) {
    const bool stock = codeClass == CodeClass::StandardStock;
    if (stock && (lTablesFound || (exists("istock.dbf") && exists("istkcode.ntx")))) {
        return TablePlan::OpenStock;
    }
    if (lTablesFound || (exists("imerch.dbf") && exists("isub.dbf") && exists("imercode.ntx") &&
                         exists("isubcode.ntx"))) {
        return TablePlan::OpenMerchandise;
    }
    // Every way here has some file missing: the table files first, then the
    // index files of the code's own class. A negative code counts as
    // merchandise, so it too gets one of the two texts.
    if (stock) {
        return exists("istock.dbf") ? TablePlan::IndexFilesMissing : TablePlan::DataFilesMissing;
    }
    if (!exists("imerch.dbf") || !exists("isub.dbf")) return TablePlan::DataFilesMissing;
    return TablePlan::IndexFilesMissing;
}

std::string programStoppedText() {
    return "Program stopped";
}

std::string welcomeText(std::string_view cProgName) {
    return std::string(kCrLf) + std::string(kCrLf) + banner(cProgName);
}

std::string neitherStockNorMerchandiseText() {
    return "This item is neither merchandise nor standard stock.";
}

std::string dataFilesErrorText(std::string_view cPath) {
    std::string path(cPath);
    return "ERROR! Could not open data files.  Please check data path on settings page."
           "\r\n\r\n\r\nDiagnostics:\r\n" +
           path + "\\imerch\r\n" + path + "\\istock\r\n";
}

std::string indexFilesErrorText(std::string_view cPath) {
    std::string path(cPath);
    return "ERROR! Missing INDEX files.  Please check data path on settings page and if correct "
           "choose 'Re-index' to create new indexes.\r\n\r\nDiagnostics:\r\n" +
           path + "\\imercode.ntx\r\n" + path + "\\istkcode.ntx\r\n" + path + "\\isubcode.ntx\r\n";
}

std::string notFoundText(std::string_view cProgName, std::string_view cCode) {
    std::string text = std::string(kCrLf) + banner(cProgName);
    for (int i = 0; i < 5; ++i) text += kCrLf;
    text += cCode;
    text += "  was not found in the data files.\r\n\r\nCheck settings or update data.";
    return text;
}

}  // namespace inventory
