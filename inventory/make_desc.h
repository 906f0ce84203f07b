#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

#include "inventory/item_text.h"

// The item lookup: from a code to the text of the description box.
namespace inventory {

// How a lookup meets tables it cannot read just now.
enum class Patience {
    // A failure that the point-of-sale causes and ends (a lock held, the
    // table open exclusively elsewhere, a file absent for a moment while it
    // is replaced, an index that does not match its table while it is
    // rebuilt, a short read while a file is rewritten) is tried again for a
    // moment; if it lasts, the lookup comes back incomplete and nobody is
    // asked. Any other failure is reported as with Report.
    Quiet,
    // Every failure as the error handler and the lookup's texts have it.
    Report,
};

// What a lookup gives the description box.
struct Description {
    std::string text;      // the text to show (empty when not complete)
    bool complete = true;  // false: the tables could not be read just now
    bool item = false;     // the text describes an item found in the tables
    // Not complete because a table or index file seen before is absent:
    // the point-of-sale may be writing it anew, or it was removed.
    bool filesMissing = false;
};

// What the display asks of the inventory. Tests put their own.
class ItemLookup {
public:
    virtual ~ItemLookup() = default;
    // The description of `cCode` in the tables of the data path `cPath`
    // (program form, no trailing backslash).
    virtual Description describe(const std::string& cCode, const std::string& cPath,
                                 Patience patience) = 0;
    // The text of the description box, every failure reported.
    std::string MakeDesc(const std::string& cCode, const std::string& cPath) {
        return describe(cCode, cPath, Patience::Report).text;
    }
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
    // ever shown); an unwind leaves the lookup as errors::Unwind.
    //
    // Patience::Quiet takes the point-of-sale's passing failures (see there),
    // a damaged index among them, for what they are: the lookup is tried
    // again up to twice within about a tenth of a second, then comes back
    // incomplete. Table or index files missing before the first lookup are
    // looked for again as well before the missing-file texts are given;
    // files of the code's own tables that an earlier lookup saw, absent now
    // (the point-of-sale writes them anew), bring an incomplete answer with
    // filesMissing, and the texts wait for Report.
    //
    // Any thread; one lookup at a time per object.
    Description describe(const std::string& cCode, const std::string& cPath,
                         Patience patience) override;

    // From now on an item whose price reaches `onRequest` shows its text in
    // place of the price figure ([PriceOnRequest]); nullopt: every price as
    // it is. Any thread.
    void setPriceOnRequest(std::optional<PriceOnRequest> onRequest);

    // Whether a lookup has passed the file checks and opened its tables since
    // this object was made. Once true, it stays true and the existence checks
    // of the table and index files are skipped. Any thread.
    bool tablesFound() const { return m_lTablesFound; }

private:
    friend class LookupRun;
    std::optional<PriceOnRequest> priceOnRequest() const;

    std::atomic<bool> m_lTablesFound{false};
    // Whether a lookup has found all files of the stock (merchandise) tables.
    std::atomic<bool> m_stockFilesSeen{false};
    std::atomic<bool> m_merchandiseFilesSeen{false};
    mutable std::mutex m_mutex;
    std::optional<PriceOnRequest> m_priceOnRequest;
};

}  // namespace inventory
