#pragma once

class QPlainTextEdit;
class TEmbeddedWB;

// Fills the memo with one line per element of the page's forms, in document
// order form by form: name, type and value joined by " - ". An element that
// has no value (a fieldset, an object) shows an empty one. An element whose
// name or type cannot be read ends the listing with its error; the lines so
// far stay. A page replaced while it is read is listed again from the start,
// and the memo is left empty when no page stays long enough to be read.
void ListFormFields(TEmbeddedWB &Control, QPlainTextEdit *Memo);
