#pragma once

#include <QString>
#include <utility>
#include <variant>

namespace platform {

// An error carried as a value: a reason the caller can switch on and a text for the log.
template <typename Reason> struct Failure {
    Reason reason;
    QString message;
};

// Either a value or a Failure. Expected failures travel as values; exceptions stay at process edges.
template <typename T, typename Reason> class Result {
public:
    Result(T value)
        : m_state(std::move(value)) {}
    Result(Failure<Reason> failure)
        : m_state(std::move(failure)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T &value() const & { return std::get<0>(m_state); }
    T &value() & { return std::get<0>(m_state); }
    T &&value() && { return std::get<0>(std::move(m_state)); }
    const T &operator*() const & { return value(); }
    const T *operator->() const { return &value(); }

    Reason reason() const { return std::get<1>(m_state).reason; }
    const QString &message() const { return std::get<1>(m_state).message; }

private:
    std::variant<T, Failure<Reason>> m_state;
};

template <typename Reason> Failure<Reason> fail(Reason reason, QString message = {}) {
    return Failure<Reason>{reason, std::move(message)};
}

} // namespace platform
