#include "commands/array_text.h"
