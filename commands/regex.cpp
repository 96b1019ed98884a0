#include "commands/regex.h"
