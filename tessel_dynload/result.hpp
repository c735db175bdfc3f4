// Result of a host-facing library operation of the runtime: a value, or an error text.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace tessel {

/** Either a value of T or an error text. Host-facing operations return these; the C ABI turns every
 *  error into its documented null, zero or negative result. */
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    static Result failure(std::string text) { return Result(Failure{std::move(text)}); }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *value_; }
    T& value() & { return *value_; }
    T&& value() && { return std::move(*value_); }
    const std::string& error() const { return error_; }

private:
    struct Failure {
        std::string text;
    };
    explicit Result(Failure f) : error_(std::move(f.text)) {}
    std::optional<T> value_;
    std::string error_;
};

/** Success or an error text. */
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    static Result failure(std::string text) {
        Result r;
        r.failed_ = true;
        r.error_ = std::move(text);
        return r;
    }
    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return error_; }

private:
    bool failed_ = false;
    std::string error_;
};

using Status = Result<void>;

}  // namespace tessel
