#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The first, table-free half of the item lookup: which codes are looked up at
// all, in which tables, and what the lookup says when it cannot go on.
// Everything here is pure (no table, file or shared variable is touched) and
// may be called from any thread.
namespace inventory {

enum class CodeClass {
    Invalid,        // not 7 characters, or begins with "00"
    StandardStock,  // numeric value 0 (begins with a letter): istock
    Merchandise,    // any other numeric value, negative ones too: imerch + isub
};

// The class of an already upper-cased code: valid when exactly 7 characters
// long and not beginning with "00"; then standard stock when its numeric value
// (core::numericValue) is 0, merchandise otherwise.
CodeClass classifyCode(std::string_view cCode);

// The outcome of the guards that run before any table is touched.
struct LookupStart {
    std::optional<std::string> text;  // when set, the lookup ends with this text
    std::string code;                 // the upper-cased code to look up
    CodeClass codeClass = CodeClass::Invalid;
};

// The guards in their order: a suspended display gives "Program stopped" (even
// for an empty code); a code of nothing but blanks, tabs, CR and LF gives the
// welcome text; the code is then upper-cased and a code of the wrong length or
// beginning with "00" gives the "neither merchandise nor standard stock" text.
// Otherwise `text` is empty and `code`/`codeClass` say what to look up.
LookupStart startLookup(std::string_view cCode, bool stopDisplay, std::string_view cProgName);

// Which tables a lookup opens, or which error text it gives instead.
enum class TablePlan {
    OpenStock,          // istock with istkcode
    OpenMerchandise,    // isub with isubcode, then imerch with imercode
    DataFilesMissing,   // dataFilesErrorText
    IndexFilesMissing,  // indexFilesErrorText
};

// Chooses the tables for a valid code. `exists` is asked about file names in
// the data path ("istock.dbf", "istkcode.ntx", "imerch.dbf", "isub.dbf",
// "imercode.ntx", "isubcode.ntx"), and only while `lTablesFound` is false:
// after a first successful lookup the tables are opened without looking, so a
// file missing later surfaces as a failed open.
//
// A standard stock code whose own files are missing goes to the merchandise
// tables when those are all there. A negative code is a merchandise code
// here: with its table files missing it gets the "Could not open data files"
// text, with only its index files missing the index text.
TablePlan planTables(CodeClass codeClass, bool lTablesFound,
                     const std::function<bool(std::string_view fileName)>& exists);

// The texts the lookup gives instead of a description. CR LF separates lines.
// `cProgName` is the word naming the kind of shop (with its trailing blank, or
// ""), `cPath` the data path in program form without a trailing backslash.
std::string programStoppedText();
std::string welcomeText(std::string_view cProgName);
std::string neitherStockNorMerchandiseText();
std::string dataFilesErrorText(std::string_view cPath);
std::string indexFilesErrorText(std::string_view cPath);
std::string notFoundText(std::string_view cProgName, std::string_view cCode);

}  // namespace inventory
