#pragma once
// The one result type for loads, saves and anything else that can fail for
// a reason the user must read: success, or an error carrying its reason in
// words ("No space left on device", "database disk image is malformed").
// Both types are [[nodiscard]] so that a failure cannot be dropped silently.
#include <optional>
#include <string>
#include <utility>

namespace ordavia {

class [[nodiscard]] Status {
public:
    Status() = default;  // success
    static Status success() { return Status(); }
    static Status failure(std::string reason) {
        Status s;
        s.failed_ = true;
        s.reason_ = reason.empty() ? std::string("unknown error") : std::move(reason);
        return s;
    }

    bool ok() const { return !failed_; }
    explicit operator bool() const { return !failed_; }
    // Empty on success.
    const std::string& reason() const { return reason_; }

    // The same failure with a prefix naming what was being done,
    // e.g. failure("No space left on device").context("Saving n1.cs1").
    Status context(const std::string& what) const {
        if (!failed_ || what.empty()) return *this;
        return failure(what + ": " + reason_);
    }

private:
    bool failed_ = false;
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
