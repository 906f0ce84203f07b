#pragma once

#include <atomic>
#include <string>

// The item lookup: from a code to the text of the description box.
namespace inventory {

// What the display asks of the inventory. Tests put their own.
class ItemLookup {
public:
    virtual ~ItemLookup() = default;
    // The text of the description box for `cCode` in the tables of the data
    // path `cPath` (program form, no trailing backslash).
    virtual std::string MakeDesc(const std::string& cCode, const std::string& cPath) = 0;
};

// The lookup in the shop's inventory tables.
class InventoryLookup : public ItemLookup {
public:
    // "Program stopped" while the display is suspended (core::StopDisplay),
    // the welcome text for an empty code, the "neither merchandise nor
    // standard stock" text for a malformed one (no table touched in these
    // three cases), the two "ERROR! ..." texts while table or index files are
    // missing (checked only until a first lookup has opened its tables), the
    // not-found text, or the item's description with its price (item_text.h).
    // The shop's word comes from core::programState().cProgName.
    //
    // The tables are opened afresh for each lookup, shared and read-only
    // (ItemTables), and closed before it returns, whatever way it leaves.
    // Records and component lines marked deleted are passed over.
    //
    // A damaged or stale index (an entry that leads to a record holding
    // another code, or past the end of the table) gives the missing-index
    // text, so that the shop re-indexes; the customer never sees the record it
    // led to, and no dialogue comes. The same holds for the isub lines.
    //
    // Any other failing open or read is a run-time error and goes to the
    // error handler (errors::TableAction): Retry repeats the operation;
    // Default ends the lookup with the not-found text (nothing read in part is
    // ever shown); an unwind leaves MakeDesc as errors::Unwind.
    //
    // Any thread; one lookup at a time per object.
    std::string MakeDesc(const std::string& cCode, const std::string& cPath) override;

    // Whether a lookup has passed the file checks and opened its tables since
    // this object was made. Once true, it stays true and the existence checks
    // of the table and index files are skipped. Any thread.
    bool tablesFound() const { return m_lTablesFound; }

private:
    std::atomic<bool> m_lTablesFound{false};
};

}  // namespace inventory
