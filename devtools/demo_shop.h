#pragma once

#include <cstdint>
#include <string>

#include "devtools/demo_tables.h"

namespace devtools {

// Writes a demo shop under `folder` for trying the display, for the demo
// script, the end-to-end tests and the soak test:
//   folder/data/    istock, imerch, isub with their NTX indexes holding
//                   `items` items (writeDemoTables), pictures of the
//                   hand-written ones in all three places the picture finder
//                   looks and in every format the display reads
//   folder/till1/   image.tmp, as a till writes it
//   folder/app/     the program folder: PROFILE.ini, PROFILE.dbf (slide show
//                   list), logo.bmp, helptext.txt
// Needs a QGuiApplication (pictures are drawn with QPainter). Returns false
// when anything could not be written (reported on stderr).
bool writeDemoShop(const std::string& folder, const std::string& profile,
                   std::uint32_t items = kDemoItems);

}  // namespace devtools
