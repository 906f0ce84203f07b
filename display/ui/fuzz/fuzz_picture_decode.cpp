// libFuzzer target: the picture decode path exactly as the display takes it
// (decodePicture: read from a file within the picture limit, raster formats
// told apart by content under the pixel and allocation limits, the JPEG
// completeness check, the EMF structure check), for a canvas of the
// display's size. The first byte picks the file name's extension, and with it
// the group (raster or metafile). The metafile converters are not started:
// their children are separate processes, and a crash there is theirs, not the
// display's (the converter tests cover that path).
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "display/ui/metafile_converter.h"
#include "display/ui/picture_decoder.h"
#include "testsupport/fuzz_files.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    auto& converter = display::ui::MetafileConverter::instance();
    converter.setChildProgram("/nonexistent/lumisett-tool");
    converter.setProgram("/nonexistent/soffice");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const testsupport::FuzzFolder folder;
    static const char* const kNames[] = {"item.jpg", "item.png", "item.bmp", "item.gif",
                                         "item.emf", "item.met"};
    if (size < 1) return 0;
    const char* name = kNames[data[0] % 6];
    const std::string path = folder.write(
        name, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    display::ui::MetafileConverter::instance().clearCache();
    const display::ui::DecodedPicture picture = display::ui::decodePicture(path, {360, 324});
    if (picture.isLoaded() && picture.kind == display::PictureKind::Raster &&
        picture.image.isNull())
        __builtin_trap();
    return 0;
}
