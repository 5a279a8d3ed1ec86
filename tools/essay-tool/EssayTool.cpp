// essay-tool: runs the essay document and the marking pass on UTF-8 input, for debugging and
// for checking other implementations against this one.
//
//   essay-tool mark --keywords FILE --width W [--first-row F]   < essay
//   essay-tool edit --width W                                   < script
//   essay-tool export --title TITLE --out FILE                  < essay
//   essay-tool paper --title TITLE [--grid 20x20] --out FILE.pdf < essay
#include <algorithm>
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

#include <map>

#include <QByteArray>
#include <QGuiApplication>
#include <QString>

#include "EditScript.h"
#include "GbkText.h"
#include "KeywordAutomaton.h"
#include "PaperLayout.h"
#include "PaperPages.h"
#include "WordExport.h"
#include "WriteDoc.h"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: essay-tool mark --keywords FILE --width W [--first-row F]  (essay text on standard input)\n"
    "       essay-tool edit --width W  (script on standard input: settext TEXT, insert ROW COL TEXT,\n"
    "                                   reflow W, undo, redo, checkpoint, print)\n"
    "       essay-tool export --title TITLE --out FILE  (essay text on standard input)\n"
    "       essay-tool paper --title TITLE [--grid 20x20|20x15|24x25] --out FILE.pdf\n"
    "                                   (essay text on standard input: composition paper as PDF)\n";

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

// Options after the mode as name-value pairs, each name one of names; nothing when a name is
// unknown or a value is missing.
std::optional<std::map<std::string, std::string>> ParseNamedValues(int argc, char **argv,
                                                                   std::initializer_list<std::string_view> names)
{
    if (argc % 2 != 0)
        return std::nullopt;
    std::map<std::string, std::string> values;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string_view name = argv[i];
        if (std::find(names.begin(), names.end(), name) == names.end())
            return std::nullopt;
        values[std::string(name)] = argv[i + 1];
    }
    return values;
}

// The longest essay the tools take from standard input: far beyond the editor's 5000 characters,
// small enough that a runaway pipe cannot fill memory or write an endless document.
constexpr std::size_t kMaxEssayBytes = 1 << 20;

// Standard input as UTF-8 with every line end (LF, CR LF or CR) made one CR paragraph mark;
// nothing when it is longer than kMaxEssayBytes.
std::optional<std::string> ReadEssayFromStandardInput()
{
    std::string utf8;
    char chunk[65536];
    while (std::cin.read(chunk, sizeof chunk) || std::cin.gcount() > 0) {
        utf8.append(chunk, static_cast<std::size_t>(std::cin.gcount()));
        if (utf8.size() > kMaxEssayBytes)
            return std::nullopt;
    }
    std::string body;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
            ++i;
        body.push_back(utf8[i] == '\n' ? '\r' : utf8[i]);
    }
    return body;
}

int RefuseLongEssay()
{
    std::cerr << "essay-tool: the essay is longer than " << kMaxEssayBytes << " bytes\n";
    return 1;
}

// The essay as the writing screen exports it: the title, CR LF, then the body.
int RunExport(int argc, char **argv)
{
    const auto values = ParseNamedValues(argc, argv, {"--title", "--out"});
    if (!values || !values->count("--title") || values->count("--out") == 0 || values->at("--out").empty()) {
        std::cerr << kUsage;
        return kUsageError;
    }
    const auto body = ReadEssayFromStandardInput();
    if (!body)
        return RefuseLongEssay();
    int error = 0;
    if (!ExportWordDocument(values->at("--out"), Utf8ToGbk(values->at("--title")) + "\r\n" + Utf8ToGbk(*body), &error)) {
        std::cerr << "essay-tool: cannot write " << values->at("--out") << ": " << std::strerror(error) << '\n';
        return 1;
    }
    return 0;
}

// "20x20" and the other sheets of CommonPaperGrids(); nothing for any other text.
std::optional<PaperGrid> ParseGrid(std::string_view text)
{
    for (const PaperGrid &grid : CommonPaperGrids()) {
        if (text == std::to_string(grid.columns) + "x" + std::to_string(grid.rows))
            return grid;
    }
    return std::nullopt;
}

// The essay on composition paper as a PDF, as the preview window exports it.
int RunPaper(int argc, char **argv)
{
    const auto values = ParseNamedValues(argc, argv, {"--title", "--grid", "--out"});
    if (!values || !values->count("--title") || values->count("--out") == 0 || values->at("--out").empty()) {
        std::cerr << kUsage;
        return kUsageError;
    }
    PaperGrid grid;
    if (values->count("--grid")) {
        const auto parsed = ParseGrid(values->at("--grid"));
        if (!parsed) {
            std::cerr << "essay-tool: the grid is one of 20x20, 20x15, 24x25\n";
            return kUsageError;
        }
        grid = *parsed;
    }
    const auto body = ReadEssayFromStandardInput();
    if (!body)
        return RefuseLongEssay();
    // Fonts need the application object; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);
    const std::string &title = values->at("--title");
    const PaperLayout layout = LayOutPaper(title, *body, grid);
    const int error = ExportPaperPdf(values->at("--out"), layout, QString::fromStdString(title));
    if (error != 0) {
        std::cerr << "essay-tool: cannot write " << values->at("--out") << ": " << std::strerror(error) << '\n';
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
    if (mode == "paper")
        return RunPaper(argc, argv);
    const auto options = ParseOptions(argc, argv);
    if (!options || (mode != "mark" && mode != "edit")) {
        std::cerr << kUsage;
        return kUsageError;
    }
    return mode == "mark" ? RunMark(*options) : RunEdit(*options);
}
