#include "commands/japanese_tables.h"
