#include "inventory/item_text.h"

#include <algorithm>
#include <cmath>

#include "core/xbase_values.h"

namespace inventory {

namespace {

// The description fields are 48 characters wide; a text that fills the whole
// field goes on in the next component line.
constexpr std::size_t kDescWidth = 48;

// Stone weights, colour, size or length and total mass: the part shared by
// standard stock and merchandise, ending with the line break before the code.
std::string measures(const ItemRecord& item, std::string_view cItemWord) {
    std::string text;
    if (item.ctdiamond > 0) {
        text +=
            ".\r\nTotal weight of Diamond(s) =" + core::formatNumber(item.ctdiamond, 4, 2) + "ct";
    }
    std::string_view colourHead = std::string_view(item.colour).substr(0, 8);
    if (colourHead.find_first_not_of(' ') != std::string_view::npos) {
        text += ", " + core::alltrim(item.colour);
    }
    if (item.ctother > 0) {
        text +=
            ".\r\nTotal weight of other stones =" + core::formatNumber(item.ctother, 4, 2) + "ct";
    }
    text += "\r\n";
    if (item.size > 99) {
        text += "Length =" + core::formatNumber(item.size / 10, 5, 1) + "cm  ";
    } else if (item.size > 0) {
        text += "Size =" + core::formatNumber(item.size, 4, 1) + "mm  ";
    }
    if (item.total_mass > 0) {
        text += "Total mass of ";
        text += cItemWord;
        text += " =" + core::formatNumber(item.total_mass, 6, 2) + "g\r\n";
    }
    return text;
}

std::string priceLine(const ItemRecord& item, const std::optional<PriceOnRequest>& onRequest) {
    if (onRequest && shownPrice(item) >= onRequest->amount) return "\r\nPrice: " + onRequest->text;
    return "\r\nPrice: " + ShowPrice(item.price, item.doll_price, 11);
}

// Remarks and gold or findings lines stay off the customer's text. The
// description field is blank-padded, so a bare "rem" counts as "REM ".
bool isHidden(const ComponentLine& line) {
    std::string head = core::upper(std::string_view(line.desc).substr(0, 4));
    head.resize(4, ' ');
    return head == "REM " || head == "REM." || line.desc.starts_with('!') ||
           line.raw_code.starts_with('G') || line.raw_code.starts_with('F');
}

}  // namespace

double shownPrice(const ItemRecord& item) {
    const double amount = item.price == 0 && item.doll_price > 0 ? item.doll_price : item.price;
    // Rounded as the price line rounds it.
    return core::numericValue(core::alltrim(core::formatNumber(amount, 30, 2)));
}

std::string ShowPrice(double nPrice, double nDollPrice, int nWidth) {
    if (nPrice == 0 && nDollPrice > 0) {
        std::string text = "        $" + core::alltrim(core::formatNumber(nDollPrice, 11, 2));
        std::size_t keep = std::size_t(std::max(nWidth, 0));
        return keep >= text.size() ? text : text.substr(text.size() - keep);
    }
    return core::formatNumber(nPrice, nWidth, 2);
}

std::string itemWord(std::string_view cDesc) {
    std::string up = core::upper(cDesc);
    std::string word = "item";
    if (up.find("SET OF ") != std::string::npos) word = "set";
    if (up.find("PAIR OF ") != std::string::npos || up.find("EARRINGS") != std::string::npos) {
        word = "pair";
    }
    return word;
}

std::string describeStock(const ItemRecord& item, std::string_view cCode,
                          const std::optional<PriceOnRequest>& onRequest) {
    std::string cDesc = core::rtrim(item.desc);
    const std::string cItemWord = itemWord(cDesc);
    cDesc += measures(item, cItemWord);
    cDesc += "(Stock code: ";
    cDesc += cCode;
    cDesc += ")" + priceLine(item, onRequest);
    return cDesc;
}

std::string describeMerchandise(const ItemRecord& item, const std::vector<ComponentLine>& lines,
                                std::string_view cCode, const std::optional<PriceOnRequest>& onRequest) {
    std::string cDesc = core::rtrim(item.desc);
    const std::string cItemWord = itemWord(cDesc);
    bool lCont = cDesc.size() == kDescWidth;
    bool lFirst = true;

    for (const ComponentLine& line : lines) {
        if (!line.code.starts_with(cCode)) break;
        // The point-of-sale marks lines deleted before it packs the table;
        // such a line belongs to no item any more.
        if (line.deleted || isHidden(line)) continue;
        if (line.qty > 0) {
            cDesc += lFirst ? " with " : " and ";
            cDesc += core::formatNumber(line.qty, 2, 0) + " x";
            lFirst = false;
        }
        lCont = lCont && line.raw_code.starts_with("-0000") && line.qty <= 0;
        const std::string text = core::rtrim(line.desc);
        if (!lCont) cDesc += ' ';
        cDesc += text;
        lCont = false;
        if (line.mass > 0) {
            cDesc += ", wght=" + core::replaceAll(core::formatNumber(line.mass, 5, 2), " ", "");
        } else if (text.size() == kDescWidth) {
            lCont = true;
        }
    }

    cDesc += measures(item, cItemWord);
    cDesc += "(Merch. code: ";
    cDesc += cCode;
    cDesc += ")" + priceLine(item, onRequest);
    return cDesc;
}

}  // namespace inventory
