#pragma once

#include "browser/htmlinterfaces.h"

#include <cstdint>
#include <string>

class TEmbeddedWB;

// Puts Value into the field FieldName (the Index-th of that name) of Form:
// text inputs get the value, radio buttons and check boxes are checked by
// exactly "checked" and unchecked by anything else, lists get the value,
// text areas too. Inputs and lists then get a change event, whose failure is
// ignored; every field found is followed by a wait while the browser is busy.
// No form, a form of a page since left, or no such field, sets nothing. A pump ends every call.
void SetFormField(TEmbeddedWB &Control, const IHTMLFormElement &Form, const std::string &FieldName,
                  const std::string &Value, int32_t Index);

// Waits while the browser reports itself busy, pumping messages every 50 ms.
// The wait ends with the application quitting, and after 10 seconds at most:
// a page that never finishes loading must not hold the workflow for ever.
void WaitWhileBusy(TEmbeddedWB &Control);
