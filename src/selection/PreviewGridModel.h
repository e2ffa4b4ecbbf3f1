#pragma once

#include "selection/Preview.h"

#include <QAbstractTableModel>

namespace velloxa {

// The Field chooser's grid contents: the preview rows as read, read-only. Holding the rows
// as they came (implicitly shared) costs nothing per cell, also for very wide tables.
class PreviewGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setPreview(const PreviewData& preview);
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    PreviewData preview_;
};

} // namespace velloxa
