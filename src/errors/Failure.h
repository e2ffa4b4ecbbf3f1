#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace velloxa {

// The one failure type of the core: a routine that cannot do its work throws it with the
// description the error report shows (for driver failures, the driver's own message text).
class Failure : public std::exception {
public:
    explicit Failure(QString description)
        : description_(std::move(description)), utf8_(description_.toUtf8()) {}

    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString description_;
    QByteArray utf8_;
};

} // namespace velloxa
