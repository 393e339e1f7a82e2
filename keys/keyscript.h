#pragma once

#include <string>

class TKeyPlatform;

// Types a keystroke script into whichever window has the keyboard focus.
//
// Ordinary characters are typed with the key and modifiers the layout assigns
// to them. "+", "^" and "%" press Shift, Ctrl and Alt for the next key (or for
// a group in parentheses); "~" presses Enter; "{NAME}" and "{NAME count}"
// press a named key, "{x count}" a character, and "{{}" and "{}}" type the
// braces. Problems are reported in a box captioned "SendKeys" and the script
// goes on, except after a "{" with no "}", where SendKeys stops and returns
// false. An invalid count raises EConvertError to the caller. Either early
// exit releases the modifiers the script had pressed, so no Shift, Ctrl or Alt
// stays down after a failed script.
//
// Returns true when the whole script was processed, false for an empty script
// and after an unclosed brace. With PumpKeyMessages true, each key event is
// delivered before SendKeys goes on.
bool SendKeys(const std::string &Keys, bool PumpKeyMessages);

// The same on the given platform rather than the installed one.
bool SendKeys(TKeyPlatform &Platform, const std::string &Keys, bool PumpKeyMessages);
