// Pictures that tests serve or compare, made in memory.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QSize>

// A PNG file of the given size filled with one colour.
QByteArray Png(const QSize& size, const QColor& colour);
