#include "DialogTemplate.h"

// To be filled with the control builder.
