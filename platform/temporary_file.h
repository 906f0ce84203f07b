#pragma once

#include <string>

namespace platform {

// A file a save writes before it takes the place of the real one (a new list
// table, a rebuilt index). Until keep(), it is removed when this object goes,
// and also when the program ends in the middle of the save (an error whose
// handler ends the program runs removeTemporaryFiles, see core::endProgram),
// so that a failed save leaves nothing behind. Constructed once the file
// exists or is about to; any thread.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return m_path; }
    // The file took its place (renamed over the real one): nothing to remove.
    void keep();

private:
    std::string m_path;
    bool m_kept = false;
};

// Removes every temporary file whose save has not finished. For the end of
// the program, after the exit procedure has closed the tables. Any thread.
void removeTemporaryFiles();

}  // namespace platform
