#pragma once

#include "browser/htmlinterfaces.h"

#include <cstdint>
#include <string>

class QPlainTextEdit;
class TEmbeddedWB;

// The element-by-element walk of the form automation: one late-bound call
// per step. The tests hold the scans to the same answers.
namespace walk {

bool PageHasForms(TEmbeddedWB &Control);
bool FindFormElement(TEmbeddedWB &Control, const std::string &ElementType,
                     const std::string &ElementName, int32_t Occurrence, int32_t &FoundFormIndex,
                     int32_t &FoundElementIndex);
void CallFoundElement(TEmbeddedWB &Control, int32_t &FoundFormIndex, int32_t &FoundElementIndex,
                      const std::string &Method);
void SetFormField(TEmbeddedWB &Control, const IHTMLFormElement &Form, const std::string &FieldName,
                  const std::string &Value, int32_t Index);
// One listing, without the retry on a page that went.
void ListFormFields(TEmbeddedWB &Control, QPlainTextEdit *Memo);

} // namespace walk
