// GetProperty / SetProperty of GUI objects: being written.
#include "core/errors.h"
#include "gui/gui_objects.h"

namespace kobu {

std::string TGuiObjects::GetProperty(const std::string& object, const std::string&) {
  RecordOfWord(object, true);
  return std::string();
}

void TGuiObjects::SetProperty(const std::string& object, const std::string&, const std::string&) {
  RecordOfWord(object, false);
}

std::string TGuiObjects::ObjectValue(THashNode* word) { return word->Value; }

void TGuiObjects::AssignObject(THashNode* word, const std::string& value) { word->Value = value; }

}  // namespace kobu
