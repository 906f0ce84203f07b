// Loading and painting a camera-sized JPEG into the display's picture widget,
// against the plain way (decode everything, then scale), and the peak memory
// of the load in a process of its own.
//
//   bench_pictures                 the whole run
//   bench_pictures --child MODE F  (internal) load F as MODE, print VmHWM
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "display/ui/image_view.h"
#include "testsupport/temp_dir.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;
constexpr int kRuns = 5;
constexpr double kTargetRatio = 3.0;
constexpr double kTargetPeakMb = 80.0;

// A camera picture of an item: soft gradients and shapes with a little
// sensor noise (`noise` levels either way). The noisier, the larger the file
// and the more of the load goes to entropy decoding, which no scaling saves.
void writeCameraPicture(const std::string& path, int noise) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        QLinearGradient background(0, 0, kWidth, kHeight);
        background.setColorAt(0, QColor(235, 230, 220));
        background.setColorAt(1, QColor(120, 110, 100));
        painter.fillRect(image.rect(), background);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 12; ++i) {
            const QPointF centre(600 + i * 430, 1200 + (i % 3) * 900);
            QRadialGradient jewel(centre, 380);
            jewel.setColorAt(0, QColor::fromHsv(i * 30, 80, 255));
            jewel.setColorAt(0.7, QColor::fromHsv(i * 30, 200, 160));
            jewel.setColorAt(1, QColor::fromHsv(i * 30, 255, 60));
            painter.setBrush(jewel);
            painter.setPen(QPen(QColor(212, 175, 55), 24));
            painter.drawEllipse(centre, 380, 300);
        }
    }
    std::uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int d = int(seed >> 24) % (2 * noise + 1) - noise;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                           std::clamp(qBlue(c) + d, 0, 255));
        }
    }
    image.save(QString::fromStdString(path), "JPG", 92);
}

long peakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// What the widget does: decode near the drawn size, paint.
double loadAndPaint(display::ui::ImageView& view, const std::string& file) {
    QElapsedTimer t;
    t.start();
    if (!view.load(file)) std::fprintf(stderr, "load failed\n");
    QImage canvas = view.canvas()->grab().toImage();
    return t.nsecsElapsed() / 1e6;
}

// The plain way: decode the whole picture, scale it smoothly, paint.
double decodeAllAndScale(const std::string& file) {
    QElapsedTimer t;
    t.start();
    QImage full(QString::fromStdString(file));
    QImage canvas(360, 324, QImage::Format_RGB32);
    canvas.fill(QColor(192, 192, 192));
    QPainter painter(&canvas);
    QImage scaled = full.scaled(358, 322, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(1, (324 - scaled.height()) / 2, scaled);
    return t.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int child(const char* mode, const std::string& file) {
    if (std::strcmp(mode, "widget") == 0) {
        display::ui::ImageView view;
        view.resize(370, 334);
        view.show();
        loadAndPaint(view, file);
    } else {
        decodeAllAndScale(file);
    }
    std::printf("%ld\n", peakKb());
    return 0;
}

double childPeakMb(const char* mode, const std::string& file) {
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(),
            {"--child", mode, QString::fromStdString(file)});
    if (!p.waitForFinished(120000)) return -1;
    return p.readAllStandardOutput().trimmed().toDouble() / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0) return child(argv[2], argv[3]);

    testsupport::TempDir dir;
    struct Picture {
        const char* what;
        int noise;
    } pictures[] = {{"typical camera picture", 4}, {"very detailed picture", 24}};
    for (const auto& pic : pictures) {
        const std::string file = dir.file(std::string(pic.what).substr(0, 4) + ".jpg");
        writeCameraPicture(file, pic.noise);
        std::printf("%s: %d x %d JPEG, %.1f MB; canvas 360 x 324\n", pic.what, kWidth, kHeight,
                    double(std::ifstream(file, std::ios::binary | std::ios::ate).tellg()) / 1e6);

        display::ui::ImageView view;
        view.resize(370, 334);
        view.show();
        std::vector<double> ours, plain;
        for (int i = 0; i < kRuns; ++i) {
            ours.push_back(loadAndPaint(view, file));
            plain.push_back(decodeAllAndScale(file));
        }
        const double oursMs = median(ours), plainMs = median(plain);
        const double ratio = plainMs / oursMs;
        std::printf("  load + paint (ImageView, decoded at %dx%d): %7.1f ms (median of %d)\n",
                    view.decodedSize().width(), view.decodedSize().height(), oursMs, kRuns);
        std::printf("  full decode + smooth scale + paint:        %7.1f ms (median of %d)\n",
                    plainMs, kRuns);
        std::printf("  speed-up: %.1fx (target at least %.0fx) %s\n", ratio, kTargetRatio,
                    ratio >= kTargetRatio ? "OK" : "MISSED");

        // Peak memory (VmHWM) of a fresh process that only does this load.
        const double peak = childPeakMb("widget", file);
        const double plainPeak = childPeakMb("plain", file);
        std::printf("  peak memory of a process that loads and paints it: %.1f MB "
                    "(target under %.0f MB) %s; with a full decode + scale: %.1f MB\n",
                    peak, kTargetPeakMb, peak > 0 && peak < kTargetPeakMb ? "OK" : "MISSED",
                    plainPeak);
    }
    return 0;
}
