#include "display/picture_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "display/picture_store_filler.h"
#include "platform/file_stamp.h"
#include "testsupport/temp_dir.h"

namespace display {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr CopyInfo kInfo{40, 30, 4000, 3000};

struct Shop {
    testsupport::TempDir dir;
    std::unique_ptr<PictureStore> open(std::uint64_t capacity = 1 << 20) {
        std::string why;
        auto store = PictureStore::open(dir.str(), {"store"}, capacity, &why);
        EXPECT_TRUE(store) << why;
        return store;
    }
    std::string storeFile(const std::string& name) const { return dir.file("store/" + name); }
    // The picture `name` in the shop's folder, written a while ago.
    platform::FileStamp picture(const std::string& name, const std::string& bytes) {
        dir.write("shop/" + name, bytes);
        fs::last_write_time(dir.file("shop/" + name), fs::file_time_type::clock::now() - 1min);
        return *platform::fileStamp(dir.file("shop/" + name));
    }
    std::string original(const std::string& name) const { return dir.file("shop/" + name); }
    // The picture ring.jpg holding `bytes`, with a copy "copy bytes" in `store`.
    platform::FileStamp ringWithCopy(PictureStore& store, const std::string& bytes) {
        const auto stamp = picture("ring.jpg", bytes);
        EXPECT_EQ(store.put(original("ring.jpg"), stamp, kInfo, "copy bytes", "jpg",
                            StorePriority::Shown),
                  PictureStore::Put::Kept);
        return stamp;
    }
    // The copies' files in the store's folder.
    std::vector<std::string> copies() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir.file("store"))) {
            const std::string name = e.path().filename().string();
            if (name != "index" && name != "lock") out.push_back(name);
        }
        return out;
    }
};

// A copy is given out only for the very version of the picture it was made
// from, whatever changed, and is found again by the same file under another
// spelling of its name.
TEST(PictureStore, GivesACopyOnlyForTheVersionItWasMadeFrom) {
    struct Case {
        const char* what;
        std::function<void(Shop&)> change;
        bool found;
    } cases[] = {
        {"unchanged", [](Shop&) {}, true},
        {"the name in another case", [](Shop&) {}, true},
        {"rewritten, another size", [](Shop& s) { s.picture("ring.jpg", "new picture, longer"); }, false},
        {"rewritten, same size, time put back",
         [](Shop& s) {
             const auto t = fs::last_write_time(s.original("ring.jpg"));
             std::this_thread::sleep_for(20ms);
             s.dir.write("shop/ring.jpg", "the same length!");
             fs::last_write_time(s.original("ring.jpg"), t);
         },
         false},
        {"replaced by a renamed file",
         [](Shop& s) {
             s.picture("other.jpg", "the same length?");
             fs::rename(s.original("other.jpg"), s.original("ring.jpg"));
         },
         false},
        {"removed", [](Shop& s) { fs::remove(s.original("ring.jpg")); }, false},
    };
    for (const auto& c : cases) {
        Shop shop;
        auto store = shop.open();
        shop.ringWithCopy(*store, "the same length.");
        c.change(shop);
        std::string name = shop.original("ring.jpg");
        if (std::string(c.what) == "the name in another case") name = shop.dir.file("shop/RING.JPG");
        const auto now = platform::fileStamp(name);
        const bool found = now && store->lookup(name, *now) && store->read(name, *now);
        EXPECT_EQ(found, c.found) << c.what;
        if (found) EXPECT_EQ(*store->read(name, *now), "copy bytes") << c.what;
        // Nor after the index has been written and read again.
        store->flush().isOk();
        store.reset();
        store = shop.open();
        EXPECT_EQ(now && store->read(name, *now).has_value(), c.found) << c.what << ", reopened";
    }
}

// Bounded by its bytes: a shown copy pushes out the least recently shown, a
// slide show list's copy only copies never shown, a background copy nothing.
TEST(PictureStore, LeastRecentlyShownGoFirst) {
    const std::string copy(1000, 'c');
    struct Case {
        const char* what;
        StorePriority cKeptAs, dKeptAs;
        PictureStore::Put result;
        std::vector<std::string> kept;  // of a, b, c (b shown again after c was kept) and d
    } cases[] = {
        {"shown", StorePriority::Shown, StorePriority::Shown, PictureStore::Put::Kept, {"b", "c", "d"}},
        {"shown, c never shown", StorePriority::Background, StorePriority::Shown,
         PictureStore::Put::Kept, {"a", "b", "d"}},
        {"listed", StorePriority::Shown, StorePriority::Listed, PictureStore::Put::Full, {"a", "b", "c"}},
        {"listed, c never shown", StorePriority::Listed, StorePriority::Listed,
         PictureStore::Put::Kept, {"a", "b", "d"}},
        {"background", StorePriority::Background, StorePriority::Background,
         PictureStore::Put::Full, {"a", "b", "c"}},
    };
    for (const auto& c : cases) {
        Shop shop;
        auto store = shop.open(3000);
        std::map<std::string, platform::FileStamp> stamps;
        for (const char* name : {"a", "b", "c", "d"}) stamps[name] = shop.picture(name, name);
        EXPECT_EQ(store->put(shop.original("a"), stamps["a"], kInfo, copy, "jpg", StorePriority::Shown),
                  PictureStore::Put::Kept);
        EXPECT_EQ(store->put(shop.original("b"), stamps["b"], kInfo, copy, "jpg", StorePriority::Shown),
                  PictureStore::Put::Kept);
        EXPECT_EQ(store->put(shop.original("c"), stamps["c"], kInfo, copy, "jpg", c.cKeptAs),
                  PictureStore::Put::Kept);
        ASSERT_TRUE(store->read(shop.original("b"), stamps["b"]));  // b is shown again
        EXPECT_EQ(store->put(shop.original("d"), stamps["d"], kInfo, copy, "jpg", c.dKeptAs), c.result)
            << c.what;
        std::vector<std::string> kept;
        for (const char* name : {"a", "b", "c", "d"})
            if (store->lookup(shop.original(name), stamps[name])) kept.push_back(name);
        EXPECT_EQ(kept, c.kept) << c.what;
        EXPECT_LE(store->bytes(), 3000u) << c.what;
        EXPECT_EQ(shop.copies().size(), c.kept.size()) << c.what << ": files of copies gone";
    }
    // Opened again smaller, it keeps the most recently shown that fit.
    Shop shop;
    auto store = shop.open(3000);
    for (const char* name : {"a", "b", "c"}) {
        const auto stamp = shop.picture(name, name);
        ASSERT_EQ(store->put(shop.original(name), stamp, kInfo, copy, "jpg", StorePriority::Shown),
                  PictureStore::Put::Kept);
    }
    ASSERT_TRUE(store->read(shop.original("a"), *platform::fileStamp(shop.original("a"))));
    store.reset();
    store = shop.open(2000);
    EXPECT_TRUE(store->lookup(shop.original("a"), *platform::fileStamp(shop.original("a"))));
    EXPECT_TRUE(store->lookup(shop.original("c"), *platform::fileStamp(shop.original("c"))));
    EXPECT_FALSE(store->lookup(shop.original("b"), *platform::fileStamp(shop.original("b"))));
    EXPECT_EQ(shop.copies().size(), 2u);
    store->setCapacity(1000);  // a new size applied
    EXPECT_TRUE(store->lookup(shop.original("a"), *platform::fileStamp(shop.original("a"))));
    EXPECT_EQ(shop.copies().size(), 1u);
}

#ifndef _WIN32
// What someone planted in the store's folder is neither trusted nor written
// through: links and foreign files go, a copy changed behind the store's back
// is not given out, and the folder itself must be a private folder of ours.
TEST(PictureStore, TrustsNothingPlantedInItsFolder) {
    struct Case {
        const char* what;
        std::function<void(Shop&, const std::string& copyName)> plant;
    } cases[] = {
        {"a link in the copy's place",
         [](Shop& s, const std::string& copy) {
             s.dir.write("elsewhere", "copy bytes");  // even with the very bytes
             fs::remove(s.storeFile(copy));
             fs::create_symlink(s.dir.file("elsewhere"), s.storeFile(copy));
         }},
        {"the copy rewritten, same length",
         [](Shop& s, const std::string& copy) { s.dir.write("store/" + copy, "copy BYTES"); }},
        {"a link as the index",
         [](Shop& s, const std::string&) {
             s.dir.write("elsewhere", "lumisett picture store 1\n");
             fs::remove(s.storeFile("index"));
             fs::create_symlink(s.dir.file("elsewhere"), s.storeFile("index"));
         }},
        {"an index naming a file outside",
         [](Shop& s, const std::string& copy) {
             std::string index = s.dir.read("store/index");
             index.replace(index.find(copy), copy.size(), "../elsewhere");
             s.dir.write("elsewhere", "copy bytes");
             s.dir.write("store/index", index);
         }},
    };
    for (const auto& c : cases) {
        Shop shop;
        auto store = shop.open();
        const auto stamp = shop.ringWithCopy(*store, "ring");
        ASSERT_TRUE(store->flush().isOk());
        const std::string copyName = shop.copies().at(0);
        store.reset();
        c.plant(shop, copyName);
        shop.dir.write("store/planted.jpg", "foreign");
        fs::create_symlink(shop.dir.file("elsewhere"), shop.storeFile("0123456789abcdef.jpg"));

        const bool elsewhere = fs::exists(shop.dir.file("elsewhere"));
        const std::string before = elsewhere ? shop.dir.read("elsewhere") : "";
        store = shop.open();
        EXPECT_FALSE(store->read(shop.original("ring.jpg"), stamp)) << c.what;
        EXPECT_FALSE(fs::exists(fs::symlink_status(shop.storeFile("planted.jpg")))) << c.what;
        EXPECT_FALSE(fs::exists(fs::symlink_status(shop.storeFile("0123456789abcdef.jpg")))) << c.what;
        // New copies and the index land in the folder, never through a link.
        ASSERT_EQ(store->put(shop.original("ring.jpg"), stamp, kInfo, "new copy", "jpg",
                             StorePriority::Shown),
                  PictureStore::Put::Kept);
        ASSERT_TRUE(store->flush().isOk()) << c.what;
        EXPECT_FALSE(fs::is_symlink(shop.storeFile("index"))) << c.what;
        if (elsewhere) EXPECT_EQ(shop.dir.read("elsewhere"), before) << c.what << ": written through";
        EXPECT_EQ(store->read(shop.original("ring.jpg"), stamp), "new copy") << c.what;
    }
}

TEST(PictureStore, OpensOnlyAPrivateFolderOfOurs) {
    struct Case {
        const char* what;
        std::function<void(Shop&)> prepare;
        bool opens;
        fs::perms perms;
    } cases[] = {
        {"made new", [](Shop&) {}, true, fs::perms::owner_all},
        {"ours, open to others: narrowed",
         [](Shop& s) {
             fs::create_directory(s.dir.file("store"));
             fs::permissions(s.dir.file("store"), fs::perms::all);
         },
         true, fs::perms::owner_all},
        {"a link to a folder",
         [](Shop& s) {
             fs::create_directory(s.dir.file("real"));
             fs::create_directory_symlink(s.dir.file("real"), s.dir.file("store"));
         },
         false, {}},
        {"a file", [](Shop& s) { s.dir.write("store", "x"); }, false, {}},
    };
    for (const auto& c : cases) {
        Shop shop;
        c.prepare(shop);
        std::string why;
        auto store = PictureStore::open(shop.dir.str(), {"store"}, 1 << 20, &why);
        EXPECT_EQ(store != nullptr, c.opens) << c.what << ": " << why;
        if (c.opens) {
            EXPECT_EQ(fs::status(shop.dir.file("store")).permissions() & fs::perms::all, c.perms) << c.what;
            // One display at a time.
            EXPECT_FALSE(PictureStore::open(shop.dir.str(), {"store"}, 1 << 20, &why)) << c.what;
            EXPECT_NE(why.find("in use"), std::string::npos) << why;
        }
    }
}
#endif

// The filler does nothing while a turn runs or has just ended, also between
// the steps of a copy in progress, and keeps its order: shown pictures, the
// list's, then the walk of the data folder, which stops when the store is full.
TEST(PictureStoreFiller, PausesWhileATurnRuns) {
    std::mutex mutex;
    std::vector<std::string> copied;
    std::atomic<bool> inSecondStep{false};
    PictureStoreFiller filler([&](const std::string& file, StorePriority,
                                  const std::function<void()>& pause) {
        pause();
        inSecondStep = true;
        std::lock_guard lock(mutex);
        copied.push_back(file);
        return CopyResult::Held;
    });
    auto copiedCount = [&] {
        std::lock_guard lock(mutex);
        return copied.size();
    };
    filler.turnBegins();
    filler.want("C:\\POS\\a.jpg");
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(copiedCount(), 0u) << "copied during a turn";
    filler.turnEnds();
    std::this_thread::sleep_for(PictureStoreFiller::kResumeAfter / 2);
    EXPECT_EQ(copiedCount(), 0u) << "copied right after a turn";
    ASSERT_TRUE(filler.waitIdle(5s));
    EXPECT_EQ(copiedCount(), 1u);
}

TEST(PictureStoreFiller, ShownFirstThenTheListThenTheWalkUntilFull) {
    testsupport::TempDir shop;
    for (const char* name : {"SLIDE-ONE.JPG", "A.jpg", "notes.txt", "images/B.png", "images/CH/CH--1.gif",
                             "images/CH/CH--2.BMP", "images/CH/deeper/x.jpg"})
        shop.write(name, "x");
    // The walk: the data folder, its images folder, the folders in that.
    const std::vector<std::string> walked = {"A.jpg", "SLIDE-ONE.JPG", "images\\B.png", "images\\CH\\CH--1.gif",
                                             "images\\CH\\CH--2.BMP"};
    for (int room : {100, 2}) {
        std::vector<std::string> copied;
        int left = room;
        PictureStoreFiller filler([&](const std::string& file, StorePriority priority,
                                      const std::function<void()>&) {
            const std::string prefix = shop.str() + "\\";
            copied.push_back(file.rfind(prefix, 0) == 0 ? file.substr(prefix.size()) : file);
            if (priority == StorePriority::Background && left-- <= 0) return CopyResult::Full;
            return CopyResult::Held;
        });
        filler.turnBegins();  // everything is asked for before it may start
        filler.walk(shop.str());
        filler.wantList({"SLIDE-ONE.JPG"}, shop.str());
        filler.want("shown.jpg");
        filler.turnEnds();
        ASSERT_TRUE(filler.waitIdle(5s));
        ASSERT_GE(copied.size(), 2u);
        EXPECT_EQ(copied[0], "shown.jpg");
        EXPECT_EQ(copied[1], "SLIDE-ONE.JPG");  // the slide show entry's picture
        std::vector<std::string> walk(copied.begin() + 2, copied.end());
        if (room == 100) {
            std::sort(walk.begin(), walk.end());
            EXPECT_EQ(walk, walked);
        } else {
            // Two fit; the third is refused and the walk ends there.
            ASSERT_EQ(walk.size(), 3u);
            std::sort(walk.begin(), walk.begin() + 2);  // the data folder's, in any order
            EXPECT_EQ(walk[0], walked[0]);
            EXPECT_EQ(walk[1], walked[1]);
            EXPECT_EQ(walk[2], walked[2]);
        }
    }
}

}  // namespace
}  // namespace display
