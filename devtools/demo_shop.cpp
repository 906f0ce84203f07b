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

#include "devtools/demo_tables.h"
#include "display/ui/emf_sample.h"
#include "settings/param_file.h"
#include "tables/table.h"

namespace {

namespace fs = std::filesystem;

// Whether everything was written. Each failure is reported on stderr as it
// comes; later steps still run, so one missing picture does not hide others.
bool g_ok = true;

void fail(const platform::Status& st) {
    if (st.isOk()) return;
    std::fprintf(stderr, "demo shop: %s%s%s\n", st.file().c_str(), st.file().empty() ? "" : ": ",
                 st.message().c_str());
    g_ok = false;
}

bool must(bool ok, const std::string& what) {
    if (!ok) fail(platform::Status::ioError("cannot write " + what));
    return ok;
}

bool makeFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    return must(!ec, folder.string() + " (" + ec.message() + ")");
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

void writeText(const fs::path& file, const std::string& text) {
    if (!makeFolder(file.parent_path())) return;
    std::ofstream out(file, std::ios::binary);
    out << text;
    out.close();
    must(bool(out), file.string());
}

void save(const QImage& img, const fs::path& file, const char* format) {
    if (std::string(format) == "GIF") return writeText(file, gifBytes(img));
    if (!makeFolder(file.parent_path())) return;
    must(img.save(QString::fromStdString(file.string()), format), file.string());
}

// The slide show list: one CODE field of 60 characters per entry.
platform::Status writeSlideList(const std::string& path) {
    platform::Status st = tables::Table::create(path, {{"CODE", 'C', 60, 0}});
    std::unique_ptr<tables::Table> list;
    if (st.isOk()) st = tables::Table::open(path, false, false, &list);
    for (const char* entry : {"CH--123", "1200345", "RG--001", "images/hand.jpg", "ER--010",
                              "1300001", "BR--777", "PN--404", "1400002"}) {
        if (st.isOk()) st = list->appendBlank();
        if (st.isOk()) st = list->putText("CODE", entry);
    }
    if (st.isOk()) st = list->commit();
    return st;
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

bool writeDemoShop(const std::string& folder, const std::string& profile, std::uint32_t items) {
    g_ok = true;
    std::error_code ec;
    fs::path root = fs::absolute(folder, ec);
    if (!must(!ec, folder)) return false;
    fs::path data = root / "data", appDir = root / "app", till = root / "till1";
    if (!makeFolder(data) || !makeFolder(appDir) || !makeFolder(till)) return false;
    fail(writeDemoTables(data.string(), items));

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
    fail(writeSlideList((appDir / (profile + ".dbf")).string()));
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
