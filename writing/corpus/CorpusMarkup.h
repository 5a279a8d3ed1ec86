// How the corpus panel marks up an excerpt's text for the list: the keyword in green and a line
// break after every 34 visible bytes, since Chinese text has no spaces to wrap at.
#pragma once

#include <cstddef>
#include <string>

constexpr const char *kKeywordOpenTag = "<font color=#299F3A>";
constexpr const char *kKeywordCloseTag = "</font>";
constexpr std::size_t kExcerptLineBytes = 34;
// Excerpt texts from the service are cut (between characters) to this many bytes before use.
constexpr std::size_t kMaxExcerptBytes = 16384;

// Wraps every occurrence of the keyword in the green font tags, searching from the start and
// going on after each wrap. A match never begins on the second byte of a double-byte character
// and never inside a tag. An empty keyword wraps nothing.
std::string WrapKeyword(const std::string &gbkText, const std::string &gbkKeyword);

// Inserts "<br>" after every `every` bytes of visible text (tags do not count); a break that
// would fall inside a double-byte character goes after it, and the count restarts, as it does at
// a line break already in the text.
std::string InsertLineBreaks(const std::string &gbkText, std::size_t every = kExcerptLineBytes);

// The text cut to at most `limit` bytes, never inside a double-byte character.
std::string BoundedExcerpt(const std::string &gbkText, std::size_t limit = kMaxExcerptBytes);

// The text's own line breaks (CR LF, CR or LF: the lines of a poem) as "<br>", so a line ends
// where the text ends it instead of running on after a blank.
std::string LineBreaksAsMarkup(const std::string &gbkText);

// The steps above on a bounded text: what an excerpt's list item shows.
std::string MarkUpExcerpt(const std::string &gbkText, const std::string &gbkKeyword);
