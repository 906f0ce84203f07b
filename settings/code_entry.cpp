#include "settings/code_entry.h"

#include "core/xbase_values.h"

namespace settings {

int upperKey(int nKey) {
    if (nKey > 90 && nKey < 255) {
        return static_cast<unsigned char>(core::upperChar(static_cast<char>(nKey)));
    }
    return nKey;
}

bool codeComplete(int nKey, std::string_view text) {
    std::string trimmed = core::rtrim(text);
    return (!trimmed.empty() && nKey >= 1 && nKey <= 24) || trimmed.size() > 6;
}

}  // namespace settings
