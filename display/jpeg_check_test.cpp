#include "display/jpeg_check.h"

#include <gtest/gtest.h>

#include <string>

namespace display {
namespace {

using namespace std::string_literals;

// Start, an APP0 segment, a scan whose data holds a stuffed 0xFF00 and a
// restart marker, the end.
const std::string kWhole = "\xFF\xD8"s + "\xFF\xE0\x00\x04" "AB"s + "\xFF\xDA\x00\x03\x01"s +
                           "\x12\xFF\x00\x34\xFF\xD0\x56"s + "\xFF\xD9"s;

TEST(JpegIsComplete, AcceptsWholeStreams) {
    EXPECT_TRUE(jpegIsComplete(kWhole));
    EXPECT_TRUE(jpegIsComplete(kWhole + "\0\0 trailing bytes"s));
    // Fill bytes before a marker, and a second (progressive) scan.
    std::string twoScans = kWhole.substr(0, kWhole.size() - 2) + "\xFF\xFF\xDA\x00\x03\x02\x77"s +
                           "\xFF\xD9"s;
    EXPECT_TRUE(jpegIsComplete(twoScans));
}

TEST(JpegIsComplete, RejectsEveryTruncation) {
    for (std::size_t n = 0; n < kWhole.size(); ++n)
        EXPECT_FALSE(jpegIsComplete(kWhole.substr(0, n))) << "cut at " << n;
}

TEST(JpegIsComplete, RejectsBrokenStreams) {
    const std::string cases[] = {
        "\x89PNG\r\n\x1A\n"s + kWhole,                                       // not a JPEG
        "\xFF\xD8\xFF\xE0\x00\x40" "AB\xFF\xD9"s,                             // segment past the end
        "\xFF\xD8\xFF\xE0\x00\x01\xFF\xD9"s,                                 // impossible length
        "\xFF\xD8\xFF\xDA\x00\x03\x01\x12\x34\xFF\x00\xFF\xD0"s,             // scan never ends
        "\xFF\xD8\xFF\xDA\x00\x03\x01\x12\x34\xFF"s,                         // cut inside a marker
    };
    for (const auto& c : cases) EXPECT_FALSE(jpegIsComplete(c)) << testing::PrintToString(c);
}

}  // namespace
}  // namespace display
