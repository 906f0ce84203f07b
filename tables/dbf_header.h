#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

// The DBF file header and field descriptors (dBase III, "level 3" layout; see
// docs: dbf.md). Encoding writes every byte explicitly; decoding checks what it
// reads and returns Corrupt or Unsupported instead of trusting it.
namespace tables {

inline constexpr std::size_t kDbfHeaderSize = 32;
inline constexpr std::size_t kDbfFieldSize = 32;
inline constexpr std::uint8_t kDbfFieldEnd = 0x0D;
inline constexpr std::uint8_t kDbfEofMark = 0x1A;
inline constexpr std::uint8_t kDbfPlain = 0x03;
inline constexpr std::uint8_t kDbfWithMemo = 0x83;

struct DbfHeader {
    std::uint8_t version = kDbfPlain;
    int year = 1900;  // full year of the last update
    int month = 1;
    int day = 1;
    std::uint32_t recordCount = 0;
    std::uint16_t headerLength = 0;  // offset of record 1
    std::uint16_t recordLength = 0;  // including the deletion flag
    std::uint8_t codePage = 0;
};

// Writes the 32 header bytes; the year as year - 1900, as published.
void encodeDbfHeader(const DbfHeader& header, std::uint8_t* out);

// Reads the 32 header bytes. A year byte below 100 is 2000 + byte unless that
// lies after `currentYear`, then 1900 + byte (both forms occur in real files).
// Unsupported for a version other than 0x03/0x83; Corrupt for a header or
// record length that cannot hold a table.
platform::Status decodeDbfHeader(const std::uint8_t* in, int currentYear, DbfHeader* header);

struct DbfField {
    std::string name;     // upper case as stored, at most 10 characters
    char type = 'C';      // C, N, D, L or M
    std::uint8_t length = 0;
    std::uint8_t decimals = 0;
    std::uint16_t offset = 0;  // position in the record (1 = after the deletion flag)
};

// Writes one 32-byte descriptor (data address 0, reserved bytes 0).
void encodeDbfField(const DbfField& field, std::uint8_t* out);

// Reads the descriptor area (the bytes from offset 32 up to the header
// length) up to the 0x0D end mark, works out each field's offset and checks
// that 1 + the sum of the lengths is the record length. Corrupt otherwise.
platform::Status decodeDbfFields(const std::uint8_t* area, std::size_t length,
                                 const DbfHeader& header, std::vector<DbfField>* fields);

// Checks a field list for creating a table: 1 to 255 fields; names of 1 to 10
// letters, digits or "_", starting with a letter, each once (case ignored);
// C 1-254, N 1-20 with decimals below the length minus 1 (0 allowed), D 8,
// L 1, M 10; record length at most 65535. Fills in upper-case names and
// offsets. Invalid with a message naming the first fault.
platform::Status checkNewFields(std::vector<DbfField>* fields);

// The header and descriptor bytes of a new, empty table, followed by the end
// mark 0x1A, dated `year`-`month`-`day`.
std::string newDbfImage(const std::vector<DbfField>& fields, int year, int month, int day);

// Index of the field named `name` (case ignored), or -1.
int findDbfField(const std::vector<DbfField>& fields, std::string_view name);

}  // namespace tables
