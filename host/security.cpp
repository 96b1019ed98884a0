#include "host/security.h"
