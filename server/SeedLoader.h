// Fills a new service database from the seed folder: platform.json (accounts, main-page texts,
// contest activities, welcome message, version values) and the keyword corpus in three TSV files.
#pragma once

#include <string>

class PlatformStore;

// Seeds the store once; a store that is already seeded is left alone. Throws StoreError on a
// missing or unreadable seed, leaving the database unseeded.
void SeedStore(PlatformStore &store, const std::string &dataDir);

// Unescapes a TSV field: "\n" is a line break, "\t" a tab, "\\" a backslash.
std::string UnescapeTsvField(const std::string &field);
