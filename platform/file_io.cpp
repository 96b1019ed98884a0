#include "platform/file_io.h"
