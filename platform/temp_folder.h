// The runtime's own temporary folder: one per process, private (mode 0700),
// made on first use and removed with everything in it when the process ends.
#pragma once
#include <string>

namespace kobu {

// Native path without a final "/"; empty when it cannot be made.
const std::string& PrivateTempFolder();

}  // namespace kobu
