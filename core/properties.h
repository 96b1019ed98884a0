// The names of GUI object properties, as look-ups compare them.
#pragma once
#include <string>
#include <vector>

namespace kobu {

// The object kind of the main window and of script forms.
constexpr int kObjectKindForm = 7;

// The 57 property names in table order, okurigana stripped.
std::vector<std::string> NormalisedPropertyNames();

}  // namespace kobu
