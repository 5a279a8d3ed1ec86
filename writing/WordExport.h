// The essay written to a word-processor document: an RTF document under the ".doc" name, which
// every word processor the students have opens as a document whatever its locale.
#pragma once

#include <string>

// The document for a GBK text: the first paragraph is the title (centred, bold), then every
// paragraph in order. CR, CR LF and a lone LF each end a paragraph; a tab stays a tab; other
// control bytes are dropped; "\", "{" and "}" stay text; every non-ASCII character is written
// as a Unicode escape, so no reader has to guess the code page.
std::string BuildWordDocument(const std::string &gbkText);

// Writes BuildWordDocument(gbkText) to path (a native path) atomically: an existing document is
// replaced whole or not at all. Returns false when the file could not be written, with the
// errno in *error when error is given; the caller then shows WordExportFailureMessage().
bool ExportWordDocument(const std::string &path, const std::string &gbkText, int *error = nullptr);

// The notice (GBK) for a document that could not be written.
const std::string &WordExportFailureMessage();
