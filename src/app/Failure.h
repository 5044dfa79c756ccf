#pragma once
// The game's failure policy in two words.
//
// No routine of the game ever shows or logs an error. Each routine either skips a failing
// step and goes on with the next one, or ends silently at its first failure. Both are the
// same mechanism at a different grain: wrap one step (skip and go on) or the rest of the
// routine (end silently) in `attempt`.
//
// Only `Failure` (the failures the game defines: 16-bit overflow, a list position out of
// range, a file that cannot be read, an assignment a control refuses) and the standard
// library's exceptions are swallowed. Programming errors that do not throw are not hidden.

#include <exception>
#include <stdexcept>
#include <string>

namespace quorvia {

enum class FailureKind {
    Overflow,      // a result outside the 16-bit (or 32-bit) range
    OutOfRange,    // a list or array position that does not exist
    FileError,     // a file or folder that cannot be opened, read or written
    InvalidValue,  // a value a control or an operation refuses
};

class Failure : public std::runtime_error {
public:
    Failure(FailureKind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    FailureKind kind() const noexcept { return kind_; }

private:
    FailureKind kind_;
};

[[noreturn]] inline void fail(FailureKind kind, const std::string& what) { throw Failure(kind, what); }

// Runs `step`; a failure inside it is swallowed. Returns whether the step completed.
template <class Step>
bool attempt(Step&& step) noexcept {
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace quorvia
