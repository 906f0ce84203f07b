#include "tables/dbf_record.h"

#include <cstring>

#include "tables/numeric_text.h"

namespace tables {

std::string_view fieldBytes(std::string_view record, const DbfField& field) {
    return record.substr(field.offset, field.length);
}

double fieldNumber(std::string_view record, const DbfField& field) {
    return numericValue(fieldBytes(record, field));
}

bool fieldLogical(std::string_view record, const DbfField& field) {
    char c = record[field.offset];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

void putFieldText(std::string* record, const DbfField& field, std::string_view text) {
    std::size_t n = std::min<std::size_t>(text.size(), field.length);
    std::memcpy(record->data() + field.offset, text.data(), n);
    std::memset(record->data() + field.offset + n, ' ', field.length - n);
}

platform::Status putFieldNumber(std::string* record, const DbfField& field, double value) {
    std::string text = formatNumber(value, field.length, field.decimals);
    if (text.size() != field.length || text.find('*') != std::string::npos) {
        return platform::Status::invalid(formatNumberTrimmed(value, field.decimals) +
                                         " does not fit field " + field.name);
    }
    putFieldText(record, field, text);
    return {};
}

void putFieldLogical(std::string* record, const DbfField& field, bool value) {
    putFieldText(record, field, value ? "T" : "F");
}

}  // namespace tables
