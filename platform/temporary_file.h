#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/status.h"

namespace platform {

// A file a save writes before it takes the place of the real one (a new list
// table, a rebuilt index, a parameter file). Until keep() or install(), it is
// removed when this object goes, and also when the program ends in the middle
// of the save (an error whose handler ends the program runs
// removeTemporaryFiles, see core::endProgram), so that a failed save leaves
// nothing behind. Any thread.
class TemporaryFile {
public:
    // Creates a new, empty file beside `path`, under a name no one can know
    // before: `path` + "." + 16 random hex digits (randomHex) + ".tmp", and
    // opens it for reading and writing, exclusive (file.h). The file is
    // created new, never through anything already at that name (a symbolic
    // link, even to nowhere, a folder, a FIFO, a file): such a name is passed
    // over for a fresh one, 16 times at most. On failure (the folder is
    // missing or cannot be written, 16 names taken) both results are empty and
    // the Status says why.
    [[nodiscard]] static Status create(const std::string& path, std::unique_ptr<TemporaryFile>* temp,
                                       std::unique_ptr<File>* file);

    // Registers `path`, a file about to exist or existing, for removal.
    explicit TemporaryFile(std::string path);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return m_path; }
    // The file took its place (renamed over the real one): nothing to remove.
    void keep();
    // Renames the file over `target` (close it first: Windows renames no open
    // file) and keeps it. Whatever is at `target`, a symbolic link or a FIFO
    // included, is replaced as a name, never written through; a folder there
    // makes it fail, as does a file Windows holds open. On failure the
    // temporary stays, to be removed with this object.
    [[nodiscard]] Status install(const std::string& target);

private:
    std::string m_path;
    bool m_kept = false;
};

// Removes every temporary file whose save has not finished. For the end of
// the program, after the exit procedure has closed the tables. Any thread.
void removeTemporaryFiles();

// For tests, as write_faults.h: the random parts of the next names
// TemporaryFile::create tries, one each, before random ones again, so that a
// test can put a link, a folder or a FIFO where a save is about to write.
// Process-wide; off unless a test turns it on.
void useTemporaryNamesForTests(std::vector<std::string> parts);

}  // namespace platform
