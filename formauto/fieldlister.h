#pragma once

class QPlainTextEdit;
class TEmbeddedWB;

// Fills the memo with one line per element of the page's forms, in document
// order form by form: name, type and value joined by " - ". An element whose
// properties cannot be read ends the listing with its error; the lines so far
// stay.
void ListFormFields(TEmbeddedWB &Control, QPlainTextEdit *Memo);
