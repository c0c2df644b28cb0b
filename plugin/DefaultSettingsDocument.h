#pragma once

namespace kor {

class BindingProperty;

// The parsed built-in default settings document, one per library. It is
// absent until LoadDefaultSettings has parsed the text successfully; a
// settings load does nothing while it is absent.

// Parses the built-in text and stores the result, replacing any earlier one.
// A text that does not parse leaves the document absent.
void LoadDefaultSettings();

// The document, or null while it is absent.
const BindingProperty* DefaultSettingsDocument();

// Makes the document absent again, so a test starts without one.
void ResetDefaultSettingsForTesting();

}  // namespace kor
