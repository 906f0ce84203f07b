#include "devtools/demo_shop.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "display/ui/emf_sample.h"
#include "inventory/item_layout.h"
#include "settings/param_file.h"
#include "tables/table.h"
#include "tables/table_index.h"

namespace {

namespace fs = std::filesystem;

struct Stock {
    const char* code;
    const char* desc;
    double price, dollPrice, ctDiamond;
    const char* colour;
    double ctOther, size, mass;
    bool deleted = false;
};

struct Line {
    const char* code;
    const char* desc;
    const char* rawCode;
    double qty, mass;
};

const Stock kStock[] = {
    {"CH--123", "9CT GOLD CHAIN", 999, 0, 0, "", 0, 450, 4.8, true},  // superseded, deleted
    {"CH--123", "9CT GOLD CHAIN", 1250, 0, 0, "", 0, 450, 5.2},
    {"RG--001", "18CT WHITE GOLD SOLITAIRE RING", 8995, 0, 0.5, "G/VS1", 0, 16.5, 3.1},
    {"ER--010", "PAIR OF STERLING SILVER EARRINGS", 0, 45.5, 0, "", 0, 12, 2.4},
    {"BR--777", "SET OF 3 STERLING SILVER BANGLES", 1499, 0, 0, "", 0, 0, 30.12},
    {"PN--404", "9CT YELLOW GOLD HEART PENDANT", 2150, 0, 0.05, "H/SI", 0.2, 18, 1.9},
    {"WA--200", "STAINLESS STEEL GENTS WATCH", 3200, 0, 0, "", 0, 200, 95},
};

const Stock kMerch[] = {
    {"1200345", "18CT RING", 14500, 0, 0, "", 0, 17, 4.6},
    {"1300001", "DIAMOND CLUSTER PENDANT WITH 18CT YELLOW GOLD CHA", 23900, 0, 0.75,
     "F/VVS2", 0, 450, 6.3},
    {"1400002", "TANZANITE AND DIAMOND DRESS RING", 0, 2150, 0.12, "G/SI1", 1.85, 18, 5.05},
    {"1500003", "SAPPHIRE BRACELET", 6800, 0, 0, "", 2.4, 190, 11.5},
};

const Line kLines[] = {
    {"1200345", "18CT GOLD", "G18", 1, 0},
    {"1200345", "DIAMOND", "D01", 3, 0},
    {"1200345", "RUBY", "R02", 1, 0.5},
    {"1300001", "IN", "-0000", 0, 0},
    {"1300001", "DIAMONDS", "D05", 12, 0.75},
    {"1400002", "TANZANITE", "T01", 1, 1.85},
    {"1400002", "rem bought at the spring fair", "X00", 0, 0},
    {"1400002", "!cost price 950", "X00", 0, 0},
    {"1400002", "DIAMONDS", "D02", 6, 0.12},
    {"1500003", "BLUE SAPPHIRES", "S03", 8, 2.4},
    {"1500003", "18CT WHITE GOLD", "F18", 1, 0},
};

bool g_ok = true;

bool must(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "demo shop: %s failed\n", what);
        g_ok = false;
    }
    return ok;
}

bool must(const platform::Status& st, const char* what) {
    if (!st.isOk()) {
        std::fprintf(stderr, "demo shop: %s failed: %s %s\n", what, st.message().c_str(), st.file().c_str());
        g_ok = false;
    }
    return st.isOk();
}

// A new table at `path` with `fields`, open for writing; null when it failed.
std::unique_ptr<tables::Table> newTable(const std::string& path,
                                        const std::vector<tables::FieldSpec>& fields) {
    std::unique_ptr<tables::Table> table;
    if (!must(tables::Table::create(path, fields), "create table")) return nullptr;
    if (!must(tables::Table::open(path, false, false, &table), "open table")) return nullptr;
    return table;
}

// Appends a record and sets its fields: texts, then numbers.
void append(tables::Table& t, std::initializer_list<std::pair<const char*, std::string>> texts,
            std::initializer_list<std::pair<const char*, double>> numbers = {}) {
    must(t.appendBlank(), "append");
    for (const auto& [name, text] : texts) must(t.putText(name, text), name);
    for (const auto& [name, number] : numbers) must(t.putNumber(name, number), name);
}

void index(tables::Table& t, const fs::path& path, const std::string& key) {
    must(t.commit(), "commit");
    must(tables::createIndex(t, path.string(), key), "index");
}

void writeItems(const fs::path& table, const fs::path& indexFile, const std::string& alias,
                const Stock* items, std::size_t n) {
    std::unique_ptr<tables::Table> t = newTable(table.string(), inventory::itemFields());
    if (!t) return;
    for (std::size_t i = 0; i < n; ++i) {
        const Stock& s = items[i];
        append(*t, {{"CODE", s.code}, {"DESC", s.desc}, {"COLOUR", s.colour}},
               {{"PRICE", s.price}, {"DOLL_PRICE", s.dollPrice}, {"CTDIAMOND", s.ctDiamond},
                {"CTOTHER", s.ctOther}, {"SIZE", s.size}, {"TOTAL_MASS", s.mass}});
        if (s.deleted) must(t->markDeleted(), "delete");
    }
    index(*t, indexFile, alias + "->code");
}

QImage itemPicture(const QString& title, const QColor& tone, int w = 640, int h = 480) {
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, QColor(250, 248, 244));
    bg.setColorAt(1, QColor(222, 216, 206));
    p.fillRect(img.rect(), bg);
    // A simple ring: a gold band and a stone.
    QPointF c(w / 2.0, h * 0.55);
    p.setPen(QPen(tone.darker(130), 18));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, w * 0.22, h * 0.22);
    p.setPen(QPen(QColor(90, 90, 110), 2));
    p.setBrush(QColor(200, 230, 255));
    QPainterPath stone;
    stone.addPolygon(QPolygonF({QPointF(c.x() - 40, c.y() - h * 0.22 - 10),
                                QPointF(c.x(), c.y() - h * 0.22 - 60),
                                QPointF(c.x() + 40, c.y() - h * 0.22 - 10),
                                QPointF(c.x(), c.y() - h * 0.22 + 20)}));
    p.drawPath(stone);
    p.setPen(QColor(60, 50, 40));
    QFont f("Liberation Serif");
    f.setPixelSize(h / 12);
    p.setFont(f);
    p.drawText(QRect(0, int(h * 0.84), w, h / 8), Qt::AlignCenter, title);
    return img;
}

// Qt reads GIF but cannot write it: a plain GIF writer whose LZW stream holds
// only literal 9-bit codes, with a clear code often enough that the code size
// never grows.
std::string gifBytes(const QImage& source) {
    QImage img = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    std::string out = "GIF89a";
    auto word = [&](int v) { out += char(v & 0xFF); out += char((v >> 8) & 0xFF); };
    word(img.width());
    word(img.height());
    out += char(0xF7);  // global colour table of 256 entries
    out += char(0);
    out += char(0);
    QVector<QRgb> table = img.colorTable();
    for (int i = 0; i < 256; ++i) {
        QRgb c = i < table.size() ? table[i] : 0;
        out += char(qRed(c));
        out += char(qGreen(c));
        out += char(qBlue(c));
    }
    out += ',';
    word(0);
    word(0);
    word(img.width());
    word(img.height());
    out += char(0);
    out += char(8);  // minimum code size
    std::string data;
    unsigned bits = 0, nbits = 0;
    auto put = [&](unsigned code) {
        bits |= code << nbits;
        nbits += 9;
        while (nbits >= 8) {
            data += char(bits & 0xFF);
            bits >>= 8;
            nbits -= 8;
        }
    };
    int sinceClear = 0;
    put(256);
    for (int y = 0; y < img.height(); ++y) {
        const uchar* line = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            if (sinceClear == 250) {
                put(256);
                sinceClear = 0;
            }
            put(line[x]);
            ++sinceClear;
        }
    }
    put(257);
    if (nbits > 0) data += char(bits & 0xFF);
    for (std::size_t i = 0; i < data.size(); i += 255) {
        std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out += char(n);
        out += data.substr(i, n);
    }
    out += char(0);
    out += ';';
    return out;
}

void save(const QImage& img, const fs::path& file, const char* format) {
    fs::create_directories(file.parent_path());
    if (std::string(format) == "GIF") {
        std::ofstream out(file, std::ios::binary);
        out << gifBytes(img);
        must(bool(out), file.string().c_str());
        return;
    }
    must(img.save(QString::fromStdString(file.string()), format), file.string().c_str());
}

void writeText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

const char kHelp[] =
    "LUMISETT - the customer display\r\n"
    "\r\n"
    "The Display page shows the item the clerk has in hand: its picture, its\r\n"
    "description and its price, read from the point-of-sale's inventory files.\r\n"
    "\r\n"
    "Show      runs the slide show of the Slide Show List (the Choose page).\r\n"
    "Watch     follows the till: every item the till looks up is shown.\r\n"
    "Freeze/Manual  keeps the item on screen and lets you type a code; a short\r\n"
    "          code such as 12345 or AB123 is completed for you.\r\n"
    "\r\n"
    "Settings page\r\n"
    "  The first field is the image.tmp file the till writes (one per till).\r\n"
    "  The second is the folder of the inventory files istock.dbf, imerch.dbf\r\n"
    "  and isub.dbf. Pictures are kept there, in its images folder, or in a\r\n"
    "  folder of images named after the first two letters of the code.\r\n"
    "  Apply/Save keeps the settings for the next start.\r\n"
    "  Re-index rebuilds the index files when the display reports them missing.\r\n"
    "\r\n"
    "Press any key to close this help.\r\n";

}  // namespace

namespace devtools {

bool writeDemoShop(const std::string& folder, const std::string& profile) {
    g_ok = true;
    fs::path root = fs::absolute(folder);
    fs::path data = root / "data", appDir = root / "app", till = root / "till1";
    fs::create_directories(data);
    fs::create_directories(appDir);
    fs::create_directories(till);

    writeItems(data / "istock.dbf", data / "istkcode.ntx", "istock", kStock, std::size(kStock));
    writeItems(data / "imerch.dbf", data / "imercode.ntx", "imerch", kMerch, std::size(kMerch));
    if (auto isub = newTable((data / "isub.dbf").string(), inventory::subFields())) {
        for (const Line& l : kLines) {
            append(*isub, {{"CODE", l.code}, {"DESC", l.desc}, {"RAW_CODE", l.rawCode}},
                   {{"QTY", l.qty}, {"MASS", l.mass}});
        }
        index(*isub, data / "isubcode.ntx", "isub->code");
    }

    // Pictures: the data folder itself, its images folder, and the prefix folders.
    save(itemPicture("White gold solitaire", QColor(220, 220, 230)), data / "RG--001.png", "PNG");
    save(itemPicture("Silver earrings", QColor(200, 200, 205)), data / "images" / "ER--010.gif",
         "GIF");
    save(itemPicture("Silver bangles", QColor(190, 190, 200)), data / "images" / "BR--777.bmp",
         "BMP");
    save(itemPicture("9ct gold chain", QColor(212, 175, 55)), data / "images" / "CH" / "CH--123.jpg",
         "JPG");
    save(itemPicture("18ct ring with rubies", QColor(230, 190, 60)),
         data / "images" / "12" / "1200345.jpg", "JPG");
    save(itemPicture("Tanzanite ring", QColor(120, 110, 200), 480, 640),
         data / "images" / "14" / "1400002.png", "PNG");
    save(itemPicture("Sapphire bracelet", QColor(40, 70, 160)), data / "images" / "hand.jpg", "JPG");
    display::ui::testing::EmfWriter emf(400, 300);
    emf.filledRect(0, 0, 400, 300, 0xF4EEE0);
    emf.filledRect(60, 120, 340, 180, 0xD4AF37);
    emf.filledRect(170, 60, 230, 120, 0x9FC8FF);
    writeText(data / "images" / "1300001.emf", emf.bytes());

    // The program folder: logo, help, slide show list, parameters.
    QImage logo = itemPicture("Lumisett", QColor(212, 175, 55), 400, 300);
    save(logo, appDir / "logo.bmp", "BMP");
    writeText(appDir / "helptext.txt", kHelp);
    std::string list = (appDir / (profile + ".dbf")).string();
    if (auto t = newTable(list, {{"CODE", 'C', 60, 0}})) {
        for (const char* entry : {"CH--123", "1200345", "RG--001", "images/hand.jpg", "ER--010",
                                  "1300001", "BR--777", "PN--404", "1400002"}) {
            append(*t, {{"CODE", entry}});
        }
        must(t->commit(), "commit");
    }
    settings::Settings shopSettings;
    shopSettings.cBuffer = (till / "image.tmp").string();
    shopSettings.cPath = data.string();
    shopSettings.nSlow = 40;
    shopSettings.nFast = 5;
    shopSettings.posX = shopSettings.posY = 100;
    std::string ini = settings::paramText(shopSettings, 3);
    writeText(appDir / (profile + ".ini"), ini);
    writeText(till / "image.tmp", "CH--123\r\n");
    return g_ok;
}

}  // namespace devtools
