#pragma once
// The one result type for loads, saves and anything else that can fail for
// a reason the user must read: success, or an error carrying its reason in
// words ("No space left on device", "database disk image is malformed").
// Both types are [[nodiscard]] so that a failure cannot be dropped silently.
// A failure also carries a code, so that callers decide by kind (a cancelled
// pass is not an error to show; no space and no memory read differently from
// a damaged file) instead of comparing texts.
#include <optional>
#include <string>
#include <utility>

namespace ordavia {

enum class StatusCode {
    Ok,
    Failed,         // a failure of no more particular kind
    Cancelled,      // the user stopped it; nothing to report
    BadFormat,      // the bytes are not the layout they claim, or are damaged
    NotFound,       // a file, record or item that does not exist
    NoSpace,        // the disc is full
    NoMemory,       // an allocation failed or would pass the ceiling
    OutOfRange,     // a value or region outside what the data allows
    IoError,        // the system refused a read or write
    Unsupported,    // a valid input this program does not handle
    AlreadyExists,  // a name that is taken, an output that is the input
    NoResult,       // nothing came of it (no picture, nothing found, nothing to
                    // change); the document is as it was and there is nothing to show
};

class [[nodiscard]] Status {
public:
    Status() = default;  // success
    static Status success() { return Status(); }
    static Status failure(std::string reason) { return failure(StatusCode::Failed, std::move(reason)); }
    static Status failure(StatusCode code, std::string reason) {
        Status s;
        s.code_ = code == StatusCode::Ok ? StatusCode::Failed : code;
        s.reason_ = reason.empty() ? std::string("unknown error") : std::move(reason);
        return s;
    }
    static Status cancelled() { return failure(StatusCode::Cancelled, "cancelled"); }
    static Status noResult(std::string why) { return failure(StatusCode::NoResult, std::move(why)); }

    bool ok() const { return code_ == StatusCode::Ok; }
    explicit operator bool() const { return ok(); }
    StatusCode code() const { return code_; }
    bool isCancelled() const { return code_ == StatusCode::Cancelled; }
    // Cancelled or no result: a failure the user need not be told about.
    bool isSilent() const { return code_ == StatusCode::Cancelled || code_ == StatusCode::NoResult; }
    // Empty on success.
    const std::string& reason() const { return reason_; }

    // The same failure with a prefix naming what was being done,
    // e.g. failure("No space left on device").context("Saving n1.cs1").
    // The code stays.
    Status context(const std::string& what) const {
        if (ok() || what.empty()) return *this;
        return failure(code_, what + ": " + reason_);
    }

private:
    StatusCode code_ = StatusCode::Ok;
    std::string reason_;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose
    Result(Status failure) : status_(std::move(failure)) {
        if (status_.ok()) status_ = Status::failure("no value");
    }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Status& status() const { return status_; }
    StatusCode code() const { return status_.code(); }
    bool isCancelled() const { return status_.isCancelled(); }
    const std::string& reason() const { return status_.reason(); }

    T& value() & { return *value_; }
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    T& operator*() & { return *value_; }
    const T& operator*() const& { return *value_; }

private:
    std::optional<T> value_;
    Status status_;
};

}  // namespace ordavia
