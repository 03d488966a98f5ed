#include "MainDialogTemplate.h"

// To be filled with the template's table.
