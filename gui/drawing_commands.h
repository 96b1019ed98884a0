// The drawing commands: shapes, pixels, text and pictures on the main
// window's canvas and on the bitmaps of イメージ objects and forms.
#pragma once

namespace kobu {

// Binds the drawing handlers to their command rows by number.
void BindDrawingHandlers();

}  // namespace kobu
