#pragma once

#include <string>
#include <utility>
#include <variant>

namespace spawn {

// An error that names what failed and where; shown to the user as it stands.
struct Error {
    std::string message;
};

// A value or an error. Our own logic returns these instead of throwing.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Precondition: ok().
    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }

    // Precondition: !ok().
    const Error& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, Error> m_state;
};

// The result of an operation that gives nothing back when it succeeds.
struct Done {};
using Status = Result<Done>;

} // namespace spawn
