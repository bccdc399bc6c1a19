#pragma once

#include <QCursor>
#include <QIcon>

// Tool bar icons of our own, drawn from SVG at every size the screen asks
// for (crisp at any device pixel ratio). name: "zoom_in", "grid", ...
QIcon ToolIcon(const char* name);
// The program icon.
QIcon AppIcon();
// The polygon tool's cursor: a 32 x 32 diamond outline, white with a black
// border, hot spot at its centre.
QCursor PolygonCursor();
