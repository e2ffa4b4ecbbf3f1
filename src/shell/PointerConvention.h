#pragma once

#include <QCursor>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <utility>
#include <vector>

namespace velloxa {

// The pointer setting of one window (shared by the window and its controls):
//   Default (0), Hourglass (11) during a long operation, Custom (99) over a push button.
// Moving over a push button (enabled or not) sets Custom; over the window's background or a
// default area sets Default; over a neutral area leaves the setting as it is. Nothing is
// changed by movement while the setting is Hourglass.
// Which widgets count: the deepest widget under the pointer decides, walking up to the first
// QPushButton or registered area; unregistered widgets belong to that ancestor (so a grid's
// viewport and headers belong to the grid). The window itself is a default area.
// Custom shows the image loaded by loadCustomPointer, or the default arrow without one.
// The hourglass covers the whole window: widgets with a pointer of their own (the text
// boxes' I-beam) wear it too while it lasts.
class PointerConvention : public QObject {
    Q_OBJECT
public:
    static constexpr int Default = 0;
    static constexpr int Hourglass = 11;
    static constexpr int Custom = 99;

    // Watches the window and all its current widgets.
    explicit PointerConvention(QWidget* window);

    void addDefaultArea(QWidget* widget);
    void addNeutralArea(QWidget* widget);
    // Push buttons are found by type; this only makes one created after the construction watched.
    void watch(QWidget* widget);

    // false when the file is missing or unreadable: Custom then shows the default arrow.
    bool loadCustomPointer(const QString& curFile);
    bool hasCustomImage() const { return customCursor_.has_value(); }

    void setHourglass();
    void setDefault();
    void setCustom();
    int value() const { return value_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Area { Default, Neutral };
    void pointerOver(QWidget* widget);
    void show();
    void coverOwnPointers();
    void uncoverOwnPointers();

    QPointer<QWidget> window_;
    std::vector<std::pair<QPointer<QWidget>, QCursor>> covered_; // widget, its own pointer
    QHash<const QWidget*, Area> areas_;
    std::optional<QCursor> customCursor_;
    int value_ = Default;
};

// The hourglass for the length of a scope; the default pointer at its end.
class HourglassScope {
public:
    explicit HourglassScope(PointerConvention& pointer) : pointer_(pointer) { pointer_.setHourglass(); }
    ~HourglassScope() { pointer_.setDefault(); }
    HourglassScope(const HourglassScope&) = delete;
    HourglassScope& operator=(const HourglassScope&) = delete;

private:
    PointerConvention& pointer_;
};

} // namespace velloxa
