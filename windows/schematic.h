#pragma once
// An L network's schematic, TRX on the left and ANT on the right, as the
// "Síť" table shows it and the saved design prints it.

#include "lnetwork.h"

#include <QIcon>
#include <QSizeF>

class QPainter;

// The schematic's own size; a painter scaled to another size draws it there.
constexpr QSizeF SchematicSize(170, 52);
void PaintSchematic(QPainter& p, const TLNetwork& net);
// Drawn once per arrangement and kinds of part, at the device pixel ratio.
QIcon Schematic(const TLNetwork& net, qreal ratio);
