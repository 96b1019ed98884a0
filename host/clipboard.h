// The system clipboard's text for both user interfaces (on the offscreen
// platform Qt keeps it within the process).
#pragma once
#include <string>

namespace kobu {

std::string QtClipboardText();                   // CP932
void SetQtClipboardText(const std::string& text);  // CP932

}  // namespace kobu
