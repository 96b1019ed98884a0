#include "system/scrambled_file.h"
