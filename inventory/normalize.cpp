#include "inventory/normalize.h"

#include "core/xbase_values.h"

namespace inventory {

std::string Normalize(std::string_view cCode) {
    std::string code = core::rtrim(cCode);
    const std::size_t n = code.size();  // not updated by the "/" cut below
    if (n > 7 && n < 10 && code[7] == '/') code.resize(7);

    std::string filler = "0000";
    if (core::numericValue(code) == 0 || code.starts_with("00")) filler = "-----";

    bool expand = (n > 3 && n < 7) ||
                  (n == 3 && core::numericValue(std::string_view(code).substr(2, 1)) > 0);
    if (!expand) return code;
    return code.substr(0, 2) + filler.substr(0, 7 - n) + code.substr(2);
}

}  // namespace inventory
