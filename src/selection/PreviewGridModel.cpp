#include "selection/PreviewGridModel.h"

namespace velloxa {

void PreviewGridModel::setPreview(const PreviewData& preview)
{
    beginResetModel();
    preview_ = preview;
    endResetModel();
}

void PreviewGridModel::clear()
{
    setPreview(PreviewData{});
}

int PreviewGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(preview_.rows.size());
}

int PreviewGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(preview_.columns.size());
}

QVariant PreviewGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    // A short row (should the reader ever give one) shows empty cells rather than failing.
    return preview_.rows.at(index.row()).value(index.column());
}

QVariant PreviewGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return preview_.columns.value(section);
    return section + 1;
}

} // namespace velloxa
