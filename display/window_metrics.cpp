#include "display/window_metrics.h"

namespace display {

WindowMetrics windowMetrics(int nWidth) {
    struct Row {
        int below;
        const char* font;
        int offset;
    };
    static const Row rows[] = {
        {799, "14.Times New Roman", 0},  {1023, "19.Times New Roman", 10},
        {1150, "24.Times New Roman", 20}, {1279, "26.Times New Roman", 24},
        {1599, "29.Times New Roman", 30},
    };
    WindowMetrics m{"36.Times New Roman", 44, 0};
    for (const Row& r : rows) {
        if (nWidth < r.below) {
            m.cFont = r.font;
            m.nOffset = r.offset;
            break;
        }
    }
    m.pictureWidth = (360.0 + m.nOffset) / 600.0 * nWidth;
    return m;
}

}  // namespace display
