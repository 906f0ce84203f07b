#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"
#include "tables/dbf_header.h"

// Field values inside a record buffer (dbf.md, section 4). `record` is a whole
// record, deletion flag first; the field's offset and length come from its
// descriptor and always lie inside the record (decodeDbfFields checks that).
namespace tables {

inline constexpr char kLiveFlag = ' ';
inline constexpr char kDeletedFlag = '*';

// The raw bytes of a field, full width (character fields keep their blanks).
std::string_view fieldBytes(std::string_view record, const DbfField& field);

// A numeric field's value: leading and trailing blanks allowed; blank or
// unparsable text (asterisks) reads as 0.
double fieldNumber(std::string_view record, const DbfField& field);

// A logical field: T, t, Y, y are true; everything else is false.
bool fieldLogical(std::string_view record, const DbfField& field);

// Stores a value in the field, formatted for its type:
// - text: cut to the field length or padded with blanks (any type; for a
//   date, "YYYYMMDD");
// - number: right-aligned with the field's decimals; Invalid (and the record
//   unchanged) when it does not fit, rather than writing a cut or starred value;
// - logical: "T" or "F".
void putFieldText(std::string* record, const DbfField& field, std::string_view text);
platform::Status putFieldNumber(std::string* record, const DbfField& field, double value);
void putFieldLogical(std::string* record, const DbfField& field, bool value);

}  // namespace tables
