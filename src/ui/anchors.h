#pragma once
// Anchored layout: each control keeps, on each axis, its distance to the
// client edges it is anchored to, measured against the designed client size.
#include <QFlags>
#include <QRect>
#include <QSize>
#include <QString>

namespace tavlori::ui {

enum class Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };
Q_DECLARE_FLAGS(Anchors, Anchor)
Q_DECLARE_OPERATORS_FOR_FLAGS(Anchors)

// "left,top,right,bottom" (any subset, any order) as written in the layout file.
Anchors parseAnchors(const QString &text);

// Where a control designed at `designed` in a client area of `designedClient`
// stands in a client area of `client`:
// - near edge only: as designed;
// - both edges: the near edge stays, the far edge keeps its distance to the
//   client's far edge;
// - far edge only: the size stays and the far edge keeps its distance;
// - neither: the size stays and the centre keeps its fraction of the client
//   size (designed centre = start + size / 2, rounded down; new start =
//   centre × new size / designed size rounded to nearest, less size / 2).
QRect anchoredGeometry(const QRect &designed, Anchors anchors, const QSize &designedClient,
                       const QSize &client);

} // namespace tavlori::ui
