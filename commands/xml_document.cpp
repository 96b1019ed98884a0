#include "commands/xml_document.h"
