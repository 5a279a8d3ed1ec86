// Helpers of the writing tests: GBK from UTF-8 literals and readable dumps of rows and marks.
#pragma once

#include <string>
#include <vector>

#include "KeywordMarks.h"
#include "WriteDoc.h"

// UTF-8 source text as the program holds it; "¶" stands for the paragraph mark.
std::string G(const std::string &utf8);
// Rows as UTF-8 joined by "|", the paragraph mark shown as "¶".
std::string DumpRows(const std::vector<std::string> &rows);
std::string DumpRows(const CWriteDoc &doc);
// Marks as "row:column=id" in key order.
std::string DumpMarks(const KeywordMarks &marks);
