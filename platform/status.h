#pragma once

#include <string>
#include <utility>

namespace platform {

// Result of an operation of the table engine or the platform layer. Neither
// throws; whatever can fail returns a Status, and a result left unread is a
// compiler warning. `osCode` keeps the operating system's error number (errno,
// or GetLastError on Windows) when there is one; `file` names the file a
// failure concerns when the failing layer knows it (the table engine always
// does).
class [[nodiscard]] Status {
public:
    enum class Code { Ok, NotFound, Corrupt, Locked, IoError, Invalid, Unsupported, TooLarge };

    Status() = default;  // success
    Status(Code code, std::string message, int osCode = 0)
        : m_code(code), m_message(std::move(message)), m_osCode(osCode) {}

    static Status notFound(std::string message, int osCode = 0) {
        return {Code::NotFound, std::move(message), osCode};
    }
    static Status ioError(std::string message, int osCode = 0) {
        return {Code::IoError, std::move(message), osCode};
    }
    static Status corrupt(std::string message) { return {Code::Corrupt, std::move(message)}; }
    static Status locked(std::string message, int osCode = 0) {
        return {Code::Locked, std::move(message), osCode};
    }
    static Status invalid(std::string message) { return {Code::Invalid, std::move(message)}; }
    static Status tooLarge(std::string message) { return {Code::TooLarge, std::move(message)}; }

    bool isOk() const { return m_code == Code::Ok; }
    Code code() const { return m_code; }
    const std::string& message() const { return m_message; }
    int osCode() const { return m_osCode; }
    const std::string& file() const { return m_file; }

    // This status, naming `file` unless it is a success or names one already.
    Status inFile(const std::string& file) const {
        Status s = *this;
        if (!s.isOk() && s.m_file.empty()) s.m_file = file;
        return s;
    }

private:
    Code m_code = Code::Ok;
    std::string m_message;
    int m_osCode = 0;
    std::string m_file;
};

}  // namespace platform
