// The commands of the main window 母艦: text output with 表示, the layout
// cursor, clearing, window states, fades, printing, icons.
#pragma once

class QPrinter;

namespace kobu {

// Binds the main-window handlers to their command rows.
void BindMainWindowHandlers();

// The one printer of the program: the print dialog sets it up, the print
// commands print on it.
QPrinter& SharedPrinter();

}  // namespace kobu
