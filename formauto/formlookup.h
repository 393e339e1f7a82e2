#pragma once

#include "browser/htmlinterfaces.h"

#include <cstdint>
#include <string>

class TEmbeddedWB;

// Finding forms and elements of the open page. Nothing of the page is kept
// from one call to the next: each call starts again from the browser's
// automation object.

// The form at that index of the document, or none.
IHTMLFormElement GetFormByIndex(const IHTMLDocument2 &Document, int32_t Index);

// True when the page has at least one FORM element; false also when there is
// no document at all.
bool PageHasForms(TEmbeddedWB &Control);

// Finds the Occurrence-th element (1 for the first; 0 or less as 1) whose
// name and then type equal the texts given, walking the elements form by
// form in document order. On success the position is written and true
// returned; otherwise the position is left as it was. An element that cannot
// be read ends the search with false.
bool FindFormElement(TEmbeddedWB &Control, const std::string &ElementType,
                     const std::string &ElementName, int32_t Occurrence, int32_t &FoundFormIndex,
                     int32_t &FoundElementIndex);

// Calls Method ("click" or "focus") on the element at the position; the
// indices are passed by reference.
void CallFoundElement(TEmbeddedWB &Control, int32_t &FoundFormIndex, int32_t &FoundElementIndex,
                      const std::string &Method);
