#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"
#include "platform/temporary_file.h"
#include "tables/table.h"

// Building and checking the NTX index of a table.
namespace tables {

// Invalid when `field` cannot be an index key: only character and date
// fields of up to kNtxMaxKeySize bytes can.
[[nodiscard]] platform::Status checkKeyField(const DbfField& field);

// An index built into a new temporary file beside its place
// (platform::TemporaryFile: "PATH.<random>.tmp", created new, never through a
// link), not yet in use. The temporary file goes when the object does, unless
// install() renamed it over the index.
class BuiltIndex {
public:
    BuiltIndex() = default;
    BuiltIndex(BuiltIndex&& other) noexcept = default;
    BuiltIndex& operator=(BuiltIndex&& other) noexcept = default;
    ~BuiltIndex() = default;

    // Renames the new index over its path, replacing an old one (a symbolic
    // link there is replaced as a name, never written through; a folder there
    // makes it fail).
    [[nodiscard]] platform::Status install();

private:
    friend platform::Status buildIndex(Table&, const std::string&, const std::string&,
                                       const std::function<void(std::uint32_t)>&, BuiltIndex*);
    std::string m_path;
    std::unique_ptr<platform::TemporaryFile> m_pending;  // the new index until installed
};

// Builds the NTX index `path` over `table` in key order (ntx_build.h).
// `keyExpression` ("istock->code", or just "code") names the key field, a
// character or date field of the table (the alias part is not checked), and
// is stored in the index as written. `eachRecord`, when set, is called once
// per record in table order with the record number (progress display); it
// may throw, which leaves no temporary file behind. Writes the table's
// pending change first; the current record does not move. Failures name the
// table when reading it failed, else the index `path`; a failed build leaves
// any old index as it was.
[[nodiscard]] platform::Status buildIndex(Table& table, const std::string& path,
                                          const std::string& keyExpression,
                                          const std::function<void(std::uint32_t)>& eachRecord,
                                          BuiltIndex* built);
// buildIndex, then install.
[[nodiscard]] platform::Status createIndex(Table& table, const std::string& path,
                                           const std::string& keyExpression);

// What verifyIndex found.
struct IndexCheck {
    std::uint64_t entries = 0;  // index entries walked
    std::uint32_t records = 0;  // records in the table
    // Each mismatch in words, the first 20, then "... (more)". Empty: the
    // index holds one entry per record, with the record's key, in key order.
    std::vector<std::string> problems;
};

// Checks the index `indexPath` against the table `tablePath` (both opened
// shared and read-only): every entry's key is the key field of its record,
// entries come in key order, and each record has exactly one entry. A
// failure to read either file is the Status (naming that file), as is a key
// expression that names no field of the table; mismatches go into `*check`.
[[nodiscard]] platform::Status verifyIndex(const std::string& tablePath,
                                           const std::string& indexPath, IndexCheck* check);

}  // namespace tables
