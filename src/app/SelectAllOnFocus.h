#pragma once

#include <QObject>

class QLineEdit;

namespace velloxa {

// Selects a text box's whole text whenever it gains the focus, by any route, so that the
// next key typed replaces the value. After a mouse click the box would place the cursor
// (and drop the selection) once the focus is in, so that case selects again afterwards.
class SelectAllOnFocus : public QObject {
    Q_OBJECT
public:
    explicit SelectAllOnFocus(QLineEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* box_;
};

} // namespace velloxa
