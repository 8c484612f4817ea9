// A decoded table as one line of text, for comparing tables in tests and in the fuzzer.
#pragma once

#include "data/recordset.h"

#include <QString>

// "name:type,..." then " / " and each row as canonical values joined by "|" ("<null>" for
// null); "none" when there is no table.
QString Dump(const RecordsetPtr& set);
