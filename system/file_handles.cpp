#include "system/file_handles.h"
