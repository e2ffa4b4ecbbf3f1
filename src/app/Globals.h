#pragma once

#include <QString>
#include <QStringList>

#include "connection/MSSQL.h"

namespace velloxa {

// The values one run hands from window to window.
struct Globals {
    TableEntry chosenTable;         // written by the Table chooser's "Next >"
    QString selectedColumnList;     // written by the Field chooser's "Next >": "[a], [b]" ("]" doubled)
    QStringList selectedColumns;    // the same names, plain, in their order (what the export run takes)
};

} // namespace velloxa
