#pragma once
#include "platform/base/PlatformError.h"

#include <optional>
#include <utility>
#include <variant>

namespace qv
{

// An expected failure of the host layer (a file gone, no access, not a folder, a name
// too long): the runtime number the error handlers switch on, and the errno behind it
// (0 when none).
struct HostError {
    int number = 0;
    int err = 0;

    static HostError fromErrno(int err, bool folderMissing = false)
    {
        return {PlatformError::numberFromErrno(err, folderMissing), err};
    }
    static HostError of(const PlatformError &e) { return {e.number(), 0}; }
    // Where a caller's error handler takes over: as the exception it switches on.
    [[noreturn]] void raise() const { raiseError(number); }
};

// A value, or the host error that kept it from being made.
template <class T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_v(std::in_place_index<0>, std::move(value)) {} // NOLINT: a value is a result
    Result(HostError error) : m_v(std::in_place_index<1>, error) {}    // NOLINT: so is a failure
    bool ok() const { return m_v.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return std::get<0>(m_v); }
    T &value() & { return std::get<0>(m_v); }
    T &&value() && { return std::get<0>(std::move(m_v)); }
    T value_or(T fallback) const { return ok() ? std::get<0>(m_v) : fallback; }
    const HostError &error() const { return std::get<1>(m_v); }
    // For an error handler that switches on the exception's number.
    T orThrow() &&
    {
        if (!ok())
            error().raise();
        return std::get<0>(std::move(m_v));
    }

private:
    std::variant<T, HostError> m_v;
};

template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(HostError error) : m_error(error) {} // NOLINT: a failure is a result
    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }
    const HostError &error() const { return *m_error; }
    void orThrow() const
    {
        if (m_error)
            m_error->raise();
    }

private:
    std::optional<HostError> m_error;
};

// Runs f, which reports failures by PlatformError, and gives what it threw as a value.
template <class F> auto caught(F &&f) -> Result<decltype(f())>
{
    try {
        if constexpr (std::is_void_v<decltype(f())>) {
            f();
            return {};
        } else {
            return f();
        }
    } catch (const PlatformError &e) {
        return HostError::of(e);
    }
}

} // namespace qv
