#pragma once

#include <QString>

namespace velloxa {

class PointerConvention;

// The hand pointer every window shows over its push buttons: HAND-M.CUR beside the executable.
QString HandPointerFile();

// Loads `file` as the window's custom pointer. A file that holds no pointer throws Failure,
// so the window's load reports it at the loading step.
void LoadHandPointer(PointerConvention& pointer, const QString& file = HandPointerFile());

} // namespace velloxa
