// Where a window's list remembers the widths and the sort the user chose.
#pragma once

#include "ui/list_columns.h"

// The settings of the list of window `windowName`: "columns" and "sort" followed by the name.
ListMemory ListMemoryOf(const QString& windowName);
