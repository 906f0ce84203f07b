#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Run-time errors: every failing platform operation (table engine, file
// operations the program treats as run-time errors) fills an Error and raises
// it through raise(); the one process-wide handler answers retry, default or
// unwind.
namespace errors {

// A value as the error log prints it: its one-letter type and its text.
struct Value {
    enum class Type { Nil, Character, Numeric, Logical, Date, Array, Object, Block };
    Type type = Type::Nil;
    std::string text;        // Character and Date text, Object class name
    double number = 0;       // Numeric
    bool logical = false;    // Logical
    std::vector<Value> items;  // Array

    static Value nil() { return {}; }
    static Value character(std::string s) { return {Type::Character, std::move(s)}; }
    static Value numeric(double n) { return {Type::Numeric, {}, n}; }
    static Value boolean(bool b) { return {Type::Logical, {}, 0, b}; }
    static Value object(std::string className) { return {Type::Object, std::move(className)}; }
    static Value array(std::vector<Value> v) { return {Type::Array, {}, 0, false, std::move(v)}; }
};

// Generic error codes the program relies on.
inline constexpr int kGenZeroDiv = 11;    // division by zero
inline constexpr int kGenNumeric = 12;    // numeric error
inline constexpr int kGenCreate = 20;     // a file cannot be created
inline constexpr int kGenRead = 22;       // a read failed (short read, corrupt data)
inline constexpr int kGenWrite = 23;      // a write failed
inline constexpr int kGenCorrupt = 32;    // a table or index is not what it claims to be
inline constexpr int kGenNoAlias = 33;    // no table open under the alias
inline constexpr int kGenNoField = 34;    // no field of that name
inline constexpr int kGenOpen = 71;       // a file cannot be opened
inline constexpr int kGenDefaultable = 78;  // a further failure that may take its default

// Operating-system code for "the file is in use by another process" (Windows
// ERROR_SHARING_VIOLATION); the table engine reports its own lock conflicts
// with it on every platform.
inline constexpr int kOsSharingViolation = 32;

// The error object. Field names and meanings follow the handler's needs.
struct Error {
    int genCode = 0;
    std::optional<std::string> subSystem;  // nullopt: not a text (shown as "????")
    int subCode = 0;
    int severity = 2;  // 1 warning, 2 error, 3 highest
    std::string description;
    std::string fileName;
    std::string operation;
    bool hasArgs = false;       // false: args is NIL
    std::vector<Value> args;
    int osCode = 0;
    bool canRetry = false;
    bool canDefault = false;
    bool canSubstitute = false;
    Value cargo;
    long thread = 0;   // identifier of the raising thread (filled by raise)
    int tries = 0;     // how often the operation has been tried (counted by raise)
    // Return addresses of the raising thread's call stack, innermost first,
    // starting with the function that called raise() (filled by raise;
    // call_stack.h turns them into names and lines).
    std::vector<std::uintptr_t> stack;
};

// The handler's answer for an operation that may go on.
enum class Action { Retry, Default };

// Thrown to leave a failed operation when the handler unwinds (Break). The
// nearest recovery point catches it: the error log's file opening, the exit
// procedure, one per display turn, and the command-line tool's main.
class Unwind : public std::exception {
public:
    explicit Unwind(Error error) : m_error(std::move(error)) {}
    const Error& error() const { return m_error; }
    const char* what() const noexcept override { return m_error.description.c_str(); }

private:
    Error m_error;
};

// The process-wide handler. It returns Retry or Default, throws Unwind, or
// ends the program. Without a handler, every error unwinds.
using Handler = std::function<Action(Error&)>;

// Installs `handler` for the whole process; returns the previous one.
Handler setHandler(Handler handler);

// The handler that never asks: Default where the error allows it, else
// Unwind. For batch work (the command-line tool, fuzzing, tests).
Action defaultOrUnwind(Error& e);

// For its lifetime, errors raised on the calling thread go to `handler`
// instead of the process-wide one; other threads are not affected. Scopes
// nest; each restores the one before it. Used by the recovery points
// (recovery.h), whose "abort this step" handlers must not swallow errors of
// other threads.
class ThreadHandlerScope {
public:
    explicit ThreadHandlerScope(Handler handler);
    ~ThreadHandlerScope();
    ThreadHandlerScope(const ThreadHandlerScope&) = delete;
    ThreadHandlerScope& operator=(const ThreadHandlerScope&) = delete;

private:
    Handler m_handler;
    const Handler* m_previous;
};

// The handler raise() would ask on the calling thread now: the innermost
// scope's, else the process-wide one (empty when there is none).
Handler currentHandler();

// Raises `error`: counts the try, stamps the thread, records the call stack
// and asks the handler (the calling thread's scope handler, else the
// process-wide one).
// Retry is honoured only when error.canRetry, Default only when
// error.canDefault; any other answer unwinds. Any thread.
Action raise(Error& error);

// Identifier of the calling thread as the error object shows it.
long currentThreadId();

}  // namespace errors
