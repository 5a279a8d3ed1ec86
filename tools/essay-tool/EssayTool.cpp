// essay-tool: runs the essay document and the marking pass on UTF-8 input, for debugging and
// for checking other implementations against this one.
//
//   essay-tool mark --keywords FILE --width W [--first-row F]   < essay
//   essay-tool edit --width W                                   < script
//   essay-tool export --title TITLE --out FILE                  < essay
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "EditScript.h"
#include "GbkText.h"
#include "KeywordAutomaton.h"
#include "WordExport.h"
#include "WriteDoc.h"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: essay-tool mark --keywords FILE --width W [--first-row F]  (essay text on standard input)\n"
    "       essay-tool edit --width W  (script on standard input: settext TEXT, insert ROW COL TEXT,\n"
    "                                   reflow W, undo, redo, checkpoint, print)\n"
    "       essay-tool export --title TITLE --out FILE  (essay text on standard input)\n";

struct Options
{
    std::string keywordFile;
    std::optional<std::int32_t> width;
    std::int32_t firstRow = 0;
};

std::optional<Options> ParseOptions(int argc, char **argv)
{
    Options options;
    for (int i = 2; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (i + 1 >= argc)
            return std::nullopt;
        const std::string_view value = argv[++i];
        if (name == "--keywords") {
            options.keywordFile = value;
        } else if (name == "--width") {
            options.width = ParseDecimalInt(value);
            if (!options.width)
                return std::nullopt;
        } else if (name == "--first-row") {
            const auto first = ParseDecimalInt(value);
            if (!first)
                return std::nullopt;
            options.firstRow = *first;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

std::string StripLineEnd(std::string line)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// Each line end of the input, LF, CR LF or a lone CR, becomes one paragraph mark, so an empty
// line stays an empty paragraph whatever system wrote the file. No GBK byte of a two-byte
// character is CR or LF, so a byte-wise pass is safe.
std::string ParagraphMarks(const std::string &text)
{
    std::string marked;
    marked.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char byte = text[i];
        if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        marked.push_back(byte == '\n' ? '\r' : byte);
    }
    return marked;
}

// One keyword a line, "id<TAB>text", in list order.
bool ReadKeywords(const std::string &path, std::vector<KeywordEntry> &list)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "essay-tool: cannot read " << path << '\n';
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = StripLineEnd(line);
        if (line.empty())
            continue;
        const std::size_t tab = line.find('\t');
        const auto id = tab == std::string::npos ? std::nullopt : ParseDecimalInt(std::string_view(line).substr(0, tab));
        if (!id) {
            std::cerr << "essay-tool: " << path << ':' << number << ": expected id<TAB>text\n";
            return false;
        }
        list.push_back({*id, Utf8ToGbk(line.substr(tab + 1))});
    }
    return true;
}

int RunMark(const Options &options)
{
    if (options.keywordFile.empty() || !options.width) {
        std::cerr << kUsage;
        return kUsageError;
    }
    std::vector<KeywordEntry> list;
    if (!ReadKeywords(options.keywordFile, list))
        return kUsageError;
    const std::string utf8((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    CWriteDoc doc;
    doc.SetText(ParagraphMarks(Utf8ToGbk(utf8)));
    doc.Reflow(*options.width);
    KeywordAutomaton automaton;
    automaton.Build(list);
    automaton.Mark(doc.Rows(), options.firstRow, doc.Marks());
    PrintRows(doc, std::cout);
    for (const auto &[key, id] : doc.Marks().Entries())
        std::cout << "mark\t" << (key & 0xFFFFu) << '\t' << (key >> 16) << '\t' << id << '\n';
    return 0;
}

int RunEdit(const Options &options)
{
    if (!options.width || !options.keywordFile.empty()) {
        std::cerr << kUsage;
        return kUsageError;
    }
    EditScript runner(*options.width, std::cout);
    std::string line;
    for (int number = 1; std::getline(std::cin, line); ++number) {
        line = StripLineEnd(line);
        if (line.empty())
            continue;
        if (!runner.Run(line)) {
            std::cerr << "essay-tool: line " << number << ": cannot run \"" << line << "\"\n";
            return kUsageError;
        }
    }
    return 0;
}

// The essay as the writing screen exports it: the title, CR LF, then the body read as UTF-8 with
// every line end (LF, CR LF or CR) taken as one paragraph mark.
int RunExport(int argc, char **argv)
{
    std::optional<std::string> title;
    std::optional<std::string> out;
    bool known = argc % 2 == 0; // options come in name-value pairs
    for (int i = 2; known && i + 1 < argc; i += 2) {
        const std::string_view name = argv[i];
        if (name == "--title")
            title = argv[i + 1];
        else if (name == "--out")
            out = argv[i + 1];
        else
            known = false;
    }
    if (!known || !title || !out || out->empty()) {
        std::cerr << kUsage;
        return kUsageError;
    }
    const std::string utf8((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    std::string body;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
            ++i;
        body.push_back(utf8[i] == '\n' ? '\r' : utf8[i]);
    }
    int error = 0;
    if (!ExportWordDocument(*out, Utf8ToGbk(*title) + "\r\n" + Utf8ToGbk(body), &error)) {
        std::cerr << "essay-tool: cannot write " << *out << ": " << std::strerror(error) << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::ios::sync_with_stdio(false);
    if (argc < 2) {
        std::cerr << kUsage;
        return kUsageError;
    }
    const std::string_view mode = argv[1];
    if (mode == "export")
        return RunExport(argc, argv);
    const auto options = ParseOptions(argc, argv);
    if (!options || (mode != "mark" && mode != "edit")) {
        std::cerr << kUsage;
        return kUsageError;
    }
    return mode == "mark" ? RunMark(*options) : RunEdit(*options);
}
