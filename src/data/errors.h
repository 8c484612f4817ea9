// The exception type of the data layer: local failures that event handlers catch and show.
#pragma once

#include <QString>

#include <exception>
#include <string>

// A local failure (missing column, conversion, settings file, I/O). Remote failures never
// throw: they travel in LastRemoteError. Handlers catch std::exception and show
// ErrorMessage(e) in the "Napaka" box.
class DataError : public std::exception {
public:
    explicit DataError(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const char* what() const noexcept override { return utf8_.c_str(); }
    const QString& message() const noexcept { return message_; }

private:
    QString message_;
    std::string utf8_;
};

// Settings file unreadable, unwritable or locked for too long.
class SettingsError : public DataError {
public:
    using DataError::DataError;
};

// The message of any exception as the user should read it.
inline QString ErrorMessage(const std::exception& e)
{
    if (const auto* data = dynamic_cast<const DataError*>(&e))
        return data->message();
    return QString::fromUtf8(e.what());
}
