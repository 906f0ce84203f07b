#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The description text the customer reads: built from an item record of
// istock or imerch and, for merchandise, its component lines of isub. Pure
// functions on plain values, callable from any thread; nothing here fails.
namespace inventory {

// The fields of an istock or imerch record that the description uses.
// Character fields hold the field text as read (blank-padded or not).
struct ItemRecord {
    std::string code;
    std::string desc;
    double price = 0;
    double doll_price = 0;
    double ctdiamond = 0;
    std::string colour;
    double ctother = 0;
    double size = 0;
    double total_mass = 0;
    bool deleted = false;  // marked deleted by the point-of-sale
};

// One component line of isub.
struct ComponentLine {
    std::string code;  // the merchandise item the line belongs to
    std::string desc;
    std::string raw_code;
    double qty = 0;
    double mass = 0;
    bool deleted = false;  // marked deleted by the point-of-sale: never shown
};

// The price as the description shows it: `nPrice` rounded to 2 decimals,
// right-aligned in `nWidth` characters (asterisks when it does not fit). When
// `nPrice` is 0 and `nDollPrice` above 0, the dollar price instead: "$" and
// the amount, right-aligned in `nWidth` (its leftmost characters, the "$"
// first, are cut off when it is too long).
std::string ShowPrice(double nPrice, double nDollPrice, int nWidth);

// The word the total-mass line uses for the item: "pair" when the upper-cased
// description holds "PAIR OF " or "EARRINGS", else "set" when it holds
// "SET OF ", else "item".
std::string itemWord(std::string_view cDesc);

// A shop's choice not to show high prices ([PriceOnRequest]): an item whose
// price line would show `amount` or more shows `text` in place of the price
// figure ("Price: " + text); the rest of its description stays.
struct PriceOnRequest {
    double amount = 0;
    std::string text;
};

// The amount the price line shows: the price, or the dollar price when the
// price is 0 and the dollar price above 0 (ShowPrice), to the cent.
double shownPrice(const ItemRecord& item);

// The description of a standard stock item found under `cCode`: its text,
// stone weights, colour, size or length, total mass, "(Stock code: ...)" and
// the price line (PriceOnRequest's text in place of the figure when given and
// reached).
std::string describeStock(const ItemRecord& item, std::string_view cCode,
                          const std::optional<PriceOnRequest>& onRequest = std::nullopt);

// The description of a merchandise item found under `cCode`, with its
// component lines. `lines` are the isub lines in index order from the seek of
// `cCode` on; the first line whose code does not begin with `cCode` ends
// them. Deleted lines are passed over, as are remarks ("REM " or "REM." in
// any case, or "!" at the start of the text) and lines whose raw code begins
// with "G" or "F" (upper case only).
std::string describeMerchandise(const ItemRecord& item, const std::vector<ComponentLine>& lines,
                                std::string_view cCode,
                                const std::optional<PriceOnRequest>& onRequest = std::nullopt);

}  // namespace inventory
