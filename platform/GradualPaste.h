#pragma once

class wxTextCtrl;

namespace quillveil {

/// Makes the multi-line `field` take a large paste at once and show it bit by
/// bit. The toolkit's text view lays out every line of a pasted text before it
/// paints again (seconds for megabytes); here the text goes in whole, hidden,
/// and is shown a few hundred lines at a time while the window goes on
/// answering: the field's value holds all of it at once, and typing goes on
/// after it.
void PasteLargeTextsGradually(wxTextCtrl& field);

} // namespace quillveil
