#include "commands/encodings.h"
