// Fills a new service database from the seed folder: platform.json (accounts, main-page texts,
// contest activities, welcome message, version values) and the keyword corpus in three TSV files.
#pragma once

#include <cstdint>
#include <string>

class PlatformStore;

// Seeds the store once; a store that is already seeded is left alone. Throws StoreError on a
// missing or unreadable seed, leaving the database unseeded.
void SeedStore(PlatformStore &store, const std::string &dataDir);

// Opens the database at path (created owner-only when missing), seeds it when new and upgrades
// what older versions stored. Throws StoreError; a database this call created is then removed
// with its companion files, so a failed start leaves nothing behind.
void PrepareDatabase(const std::string &path, const std::string &dataDir);

// Benchmarks: adds count generated keywords (two to four CJK characters each, all distinct) with
// ids from kBenchKeywordFirstId on, once per database. Throws StoreError.
constexpr std::int64_t kBenchKeywordFirstId = 10000001;
void AddBenchKeywords(const std::string &path, int count);
std::string BenchKeyword(int i);

// Unescapes a TSV field: "\n" is a line break, "\t" a tab, "\\" a backslash.
std::string UnescapeTsvField(const std::string &field);
