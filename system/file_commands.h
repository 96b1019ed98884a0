// File commands: whole files, folders, paths and file handles.
#pragma once
#include <span>

#include "core/commandrow.h"

namespace kobu {

std::span<const TCommandRow> FileCommandRows();

}  // namespace kobu
