#include "inventory/item_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using inventory::ComponentLine;
using inventory::ItemRecord;

TEST(ItemTextTest, ShowPrice) {
    struct Case {
        double price, dollPrice;
        int width;
        const char* text;
    } cases[] = {
        {1250, 0, 11, "    1250.00"},
        {0, 12.5, 11, "     $12.50"},
        {0, 0, 11, "       0.00"},
        {0, -3, 11, "       0.00"},      // a negative dollar price is not shown
        {99.995, 7, 11, "     100.00"},  // the dollar price only stands in for 0
        {2.675, 0, 11, "       2.68"},   // half away from zero on the shown digits
        {-2.675, 0, 11, "      -2.68"},
        {123456789.5, 0, 11, "***********"},
        {0, 1234567.5, 11, "$1234567.50"},   // exactly 11: the "$" stays
        {0, 12345678.5, 11, "12345678.50"},  // 12 with the "$": the "$" goes
        {0, 123456789.5, 11, "***********"},
        {0, 12.5, 4, "2.50"},
        {0, 12.5, 20, "        $12.50"},  // never padded beyond the eight blanks
        {0, 12.5, 0, ""},
        {5, 0, 3, "***"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inventory::ShowPrice(c.price, c.dollPrice, c.width), c.text)
            << c.price << " / " << c.dollPrice << " / " << c.width;
    }
}

TEST(ItemTextTest, ItemWord) {
    struct Case {
        const char* desc;
        const char* word;
    } cases[] = {
        {"9CT GOLD CHAIN", "item"},
        {"Set of 3 bangles", "set"},
        {"SET OF", "item"},  // needs the blank after "OF"
        {"Pair of studs", "pair"},
        {"diamond earrings", "pair"},
        {"SET OF 2 EARRINGS", "pair"},
        {"SET OF PAIR OF", "set"},
        {"SET OF PAIR OF X", "pair"},
        {"ASSET OF THE HOUSE", "set"},
    };
    for (const auto& c : cases) EXPECT_EQ(inventory::itemWord(c.desc), c.word) << c.desc;
}

ItemRecord chain() {
    ItemRecord r;
    r.code = "CH--123";
    r.desc = "9CT GOLD CHAIN" + std::string(34, ' ');
    r.price = 1250;
    r.colour = std::string(10, ' ');
    r.size = 450;
    r.total_mass = 5.2;
    return r;
}

TEST(ItemTextTest, StandardStockChain) {
    EXPECT_EQ(inventory::describeStock(chain(), "CH--123"),
              "9CT GOLD CHAIN\r\n"
              "Length = 45.0cm  Total mass of item =  5.20g\r\n"
              "(Stock code: CH--123)\r\n"
              "Price:     1250.00");
}

TEST(ItemTextTest, StandardStockVariants) {
    struct Case {
        const char* name;
        void (*change)(ItemRecord&);
        const char* text;
    } cases[] = {
        {"size 99", [](ItemRecord& r) { r.size = 99; },
         "9CT GOLD CHAIN\r\nSize =99.0mm  Total mass of item =  5.20g\r\n"},
        {"size 100", [](ItemRecord& r) { r.size = 100; },
         "9CT GOLD CHAIN\r\nLength = 10.0cm  Total mass of item =  5.20g\r\n"},
        {"size 0.04 rounds to 0.0 but is shown", [](ItemRecord& r) { r.size = 0.04; },
         "9CT GOLD CHAIN\r\nSize = 0.0mm  Total mass of item =  5.20g\r\n"},
        {"no size, no mass",
         [](ItemRecord& r) {
             r.size = 0;
             r.total_mass = 0;
         },
         "9CT GOLD CHAIN\r\n"},
        {"stones and colour",
         [](ItemRecord& r) {
             r.ctdiamond = 0.5;
             r.colour = "  G/VS1   ";
             r.ctother = 1.235;
             r.size = 0;
             r.total_mass = 0;
         },
         "9CT GOLD CHAIN.\r\nTotal weight of Diamond(s) =0.50ct, G/VS1.\r\n"
         "Total weight of other stones =1.24ct\r\n"},
        {"diamonds too heavy for the field",
         [](ItemRecord& r) {
             r.ctdiamond = 100;
             r.size = 0;
             r.total_mass = 0;
         },
         "9CT GOLD CHAIN.\r\nTotal weight of Diamond(s) =****ct\r\n"},
        {"colour beyond its first 8 characters is ignored",
         [](ItemRecord& r) {
             r.colour = "        WHITE";
             r.size = 0;
             r.total_mass = 0;
         },
         "9CT GOLD CHAIN\r\n"},
        {"set and pair: pair wins",
         [](ItemRecord& r) {
             r.desc = "SET OF 2 EARRINGS";
             r.size = 0;
         },
         "SET OF 2 EARRINGS\r\nTotal mass of pair =  5.20g\r\n"},
        {"mass too big", [](ItemRecord& r) { r.total_mass = 1000; },
         "9CT GOLD CHAIN\r\nLength = 45.0cm  Total mass of item =******g\r\n"},
    };
    for (const auto& c : cases) {
        ItemRecord r = chain();
        c.change(r);
        EXPECT_EQ(inventory::describeStock(r, "CH--123"),
                  std::string(c.text) + "(Stock code: CH--123)\r\nPrice:     1250.00")
            << c.name;
    }
}

TEST(ItemTextTest, PriceLines) {
    ItemRecord r = chain();
    r.price = 0;
    r.doll_price = 12.5;
    EXPECT_TRUE(inventory::describeStock(r, "CH--123").ends_with("\r\nPrice:      $12.50"));
    r.doll_price = 0;
    EXPECT_TRUE(inventory::describeStock(r, "CH--123").ends_with("\r\nPrice:        0.00"));
}

// [PriceOnRequest]: from the amount on, the text stands in place of the
// figure the price line would show (the dollar price where that shows); the
// rest of the description is as it was.
TEST(ItemTextTest, PriceOnRequest) {
    const inventory::PriceOnRequest rule{1250, "Price on request"};
    const struct {
        double price, dollPrice;
        bool onRequest;
    } cases[] = {
        {1250, 0, true},           // at the amount
        {1249.995, 0, true},       // shown as 1250.00
        {1249.99, 0, false},
        {99999, 0, true},
        {0, 1250, true},           // the dollar price is what the line shows
        {0, 1249, false},
        {5000, 100, true},
        {0, 0, false},
    };
    for (const auto& c : cases) {
        ItemRecord r = chain();
        r.price = c.price;
        r.doll_price = c.dollPrice;
        const std::string plain = inventory::describeStock(r, "CH--123");
        const std::string shown = inventory::describeStock(r, "CH--123", rule);
        const std::size_t line = plain.rfind("\r\nPrice: ");
        ASSERT_NE(line, std::string::npos);
        if (c.onRequest) {
            EXPECT_EQ(shown, plain.substr(0, line) + "\r\nPrice: Price on request") << c.price;
        } else {
            EXPECT_EQ(shown, plain) << c.price;
        }
    }
    ItemRecord m;
    m.desc = "18CT RING";
    m.price = 3000;
    EXPECT_TRUE(inventory::describeMerchandise(m, {}, "1200345", inventory::PriceOnRequest{3000, "Ask us"})
                    .ends_with("(Merch. code: 1200345)\r\nPrice: Ask us"));
}

ItemRecord ring() {
    ItemRecord r;
    r.code = "1200345";
    r.desc = "18CT RING";
    r.price = 899;
    return r;
}

ComponentLine line(const char* raw, const char* desc, double qty, double mass = 0,
                   const char* code = "1200345") {
    ComponentLine l;
    l.code = code;
    l.raw_code = raw;
    l.desc = desc;
    l.qty = qty;
    l.mass = mass;
    return l;
}

const char* kRingTail = "\r\n(Merch. code: 1200345)\r\nPrice:      899.00";

TEST(ItemTextTest, MerchandiseRing) {
    std::vector<ComponentLine> lines = {line("G18", "18CT GOLD", 1), line("D01", "DIAMOND", 3, 0),
                                        line("R02", "RUBY", 1, 0.5)};
    EXPECT_EQ(inventory::describeMerchandise(ring(), lines, "1200345"),
              std::string("18CT RING with  3 x DIAMOND and  1 x RUBY, wght=0.50") + kRingTail);
}

TEST(ItemTextTest, MerchandiseLines) {
    const std::string d48(48, 'A');
    const std::string d48b = std::string(47, 'B') + "b";
    struct Case {
        const char* name;
        std::string desc;
        std::vector<ComponentLine> lines;
        std::string text;  // before the tail
    } cases[] = {
        {"48-character description continues",
         d48,
         {line("-0000", "CONTINUED", 0)},
         d48 + "CONTINUED"},
        {"continuation needs -0000", d48, {line("-0001", "NEXT", 0)}, d48 + " NEXT"},
        {"continuation needs qty 0 or less",
         d48,
         {line("-0000", "NEXT", 2)},
         d48 + " with  2 x NEXT"},
        {"48-character line continues, twice",
         "RING",
         {line("D01", d48.c_str(), 0), line("-0000", d48b.c_str(), -1), line("-00001", "END", 0)},
         "RING " + d48 + d48b + "END"},
        {"a line with mass does not continue",
         "RING",
         {line("D01", d48.c_str(), 0, 1.25), line("-0000", "END", 0)},
         "RING " + d48 + ", wght=1.25 END"},
        {"a hidden line keeps the continuation",
         d48,
         {line("G18", "GOLD", 0), line("-0000", "MORE", 0)},
         d48 + "MORE"},
        {"qty 0 after one blank",
         "RING",
         {line("X1", "ENGRAVED", 0), line("D01", "DIAMOND", 2)},
         "RING ENGRAVED with  2 x DIAMOND"},
        {"remarks in any case, ! and G/F codes hidden, g and f shown",
         "RING",
         {line("D01", "rem note", 1), line("D01", "Rem.note", 1), line("D01", "REM", 1),
          line("D01", "!hidden", 1), line("F01", "FINDING", 1), line("G01", "GOLD", 1),
          line("g01", "gold", 1), line("f01", "finding", 0), line("D01", "REMOVABLE", 0),
          line("D01", " REM x", 0)},
         "RING with  1 x gold finding REMOVABLE  REM x"},
        {"deleted lines left out",
         "RING",
         {[] {
              auto l = line("D01", "OLD STONE", 5);
              l.deleted = true;
              return l;
          }(),
          line("D01", "NEW STONE", 1)},
         "RING with  1 x NEW STONE"},
        {"lines of the next item end the list",
         "RING",
         {line("D01", "MINE", 1), line("D01", "NOT MINE", 1, 0, "1200346")},
         "RING with  1 x MINE"},
        {"quantity and mass formats",
         "RING",
         {line("D01", "A", 123, 0), line("D01", "B", 0.5, 12.345), line("D01", "C", 0, 100)},
         "RING with ** x A and  1 x B, wght=12.35 C, wght=*****"},
    };
    for (const auto& c : cases) {
        ItemRecord r = ring();
        r.desc = c.desc;
        EXPECT_EQ(inventory::describeMerchandise(r, c.lines, "1200345"), c.text + kRingTail)
            << c.name;
    }
}

TEST(ItemTextTest, MerchandiseMeasures) {
    ItemRecord r = ring();
    r.desc = "PAIR OF STUDS";
    r.ctdiamond = 0.25;
    r.colour = "H/SI";
    r.size = 6;
    r.total_mass = 1.234;
    r.price = 0;
    r.doll_price = 75;
    EXPECT_EQ(inventory::describeMerchandise(r, {line("D01", "DIAMOND", 2)}, "1200345"),
              "PAIR OF STUDS with  2 x DIAMOND.\r\nTotal weight of Diamond(s) =0.25ct, H/SI\r\n"
              "Size = 6.0mm  Total mass of pair =  1.23g\r\n"
              "(Merch. code: 1200345)\r\nPrice:      $75.00");
}

}  // namespace
