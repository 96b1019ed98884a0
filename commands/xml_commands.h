// Simple XML: text, attributes and paths of small documents.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> XmlCommandRows();

}  // namespace kobu
