#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>

// Why a store operation failed, in words fit for the user's log.
struct StoreError
{
    QString message;
};

// The outcome of a store operation that gives no value: done, or why not.
// Converts from StoreError, so that `return StoreError{...};` reads as it means.
class [[nodiscard]] StoreStatus final
{
public:
    StoreStatus() = default;
    StoreStatus(StoreError error) : m_error(std::move(error.message)) {}

    bool ok() const { return !m_error.has_value(); }
    // Empty when ok().
    QString error() const { return m_error.value_or(QString()); }

private:
    std::optional<QString> m_error;
};

// The outcome of a store operation that gives a value: the value, or why there
// is none. Converts from either.
template <typename T> class [[nodiscard]] StoreResult final
{
public:
    StoreResult(T value) : m_value(std::move(value)) {}
    StoreResult(StoreError error) : m_error(std::move(error.message)) {}

    bool ok() const { return m_value.has_value(); }
    // Only when ok().
    const T &value() const &
    {
        Q_ASSERT(ok());
        return *m_value;
    }
    T &&value() &&
    {
        Q_ASSERT(ok());
        return std::move(*m_value);
    }
    // Empty when ok().
    QString error() const { return m_error; }
    StoreStatus status() const { return ok() ? StoreStatus() : StoreStatus(StoreError{m_error}); }

private:
    std::optional<T> m_value;
    QString m_error;
};
