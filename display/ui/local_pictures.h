#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "display/picture_store_filler.h"
#include "display/ui/stored_pictures.h"

namespace display::ui {

// The [PictureStore] section at work: the user's local picture store
// (PictureStore::openUsers) set into the program's PictureCache, with its
// filler (PictureStoreFiller) copying the pictures the display shows, the
// slide show list's and the data folder's while the display is idle. Off, the
// cache reads every picture from its file, as without the section.
//
// apply() on the GUI thread; turnRunning() from any thread (the turn gate's
// observer). The destructor turns it off.
class LocalPictures {
public:
    LocalPictures() = default;
    ~LocalPictures();
    LocalPictures(const LocalPictures&) = delete;
    LocalPictures& operator=(const LocalPictures&) = delete;

    // Puts the settings in force: `megabytes` 0 (or less) turns the store
    // off; otherwise it is opened (or takes the new size) and filled
    // from the slide show list's `listEntries` and the data folder `cPath`.
    // A store that cannot be opened leaves it off with a line on the error
    // output saying why.
    void apply(double megabytes, const std::string& cPath, const std::vector<std::string>& listEntries);
    // The same, for a store in `base`/`below` (tests, the benchmark).
    void applyIn(const std::string& base, const std::vector<std::string>& below, double megabytes,
                 const std::string& cPath, const std::vector<std::string>& listEntries);

    // A turn of the display begins (true) or has ended (false).
    void turnRunning(bool running);

    bool isOn() const;
    // Waits until the filler has nothing left to do (tests, the benchmark).
    bool waitFilled(std::chrono::milliseconds limit);
    // The store in use, or nullptr (tests, the benchmark).
    PictureStore* store();

private:
    void turnOff();

    struct Running {
        std::shared_ptr<StoredPictures> pictures;
        std::shared_ptr<PictureStoreFiller> filler;  // listeners hold it weakly
    };
    mutable std::mutex m_mutex;  // over m_running's pointer, not its work
    std::shared_ptr<Running> m_running;
};

}  // namespace display::ui
