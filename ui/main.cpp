// The program's entry point, apart from the dialog so tests can link that alone.
#include "CEncoderApp.h"

wxIMPLEMENT_APP(quillveil::CEncoderApp);
