// The item markup (tags, colours, lines, sub and sup) and the corpus markup of excerpts (keyword
// in green, a break after every 34 visible bytes).
#include "CorpusMarkup.h"
#include "Fonts.h"
#include "GbkText.h"
#include "HtmlMarkup.h"

#include <QFontMetrics>
#include <QtTest>

namespace {

QFont BaseFont()
{
    return MakeFont(QString::fromUtf8("宋体"), 18);
}

// Runs as "text{style}", a "_" where a space separates two runs, "/" where a new line begins.
QString Dump(const MarkupLayout &layout)
{
    QStringList parts;
    int previousEnd = -1;
    int previousBaseline = 0;
    for (const MarkupRun &run : layout.runs) {
        if (previousEnd >= 0 && run.x <= previousEnd - 1 && run.baseline != previousBaseline)
            parts << "/";
        else if (previousEnd >= 0 && run.x > previousEnd)
            parts << "_";
        QString style;
        if (run.font.weight() >= QFont::Bold)
            style += "B";
        if (run.font.italic())
            style += "I";
        if (run.font.underline())
            style += "U";
        if (run.colour != QColor(Qt::black))
            style += run.colour.name();
        parts << run.text + (style.isEmpty() ? QString() : "{" + style + "}");
        previousEnd = run.x + QFontMetrics(run.font).horizontalAdvance(run.text);
        previousBaseline = run.baseline;
    }
    return parts.join(' ');
}

QString Render(const std::string &gbk, int width = 2000)
{
    return Dump(LayoutMarkup(gbk, BaseFont(), Qt::black, width));
}

std::string Repeat(const char *utf8, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += Utf8ToGbk(utf8);
    return text;
}

std::vector<std::string> SplitOnBreaks(const std::string &text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("<br>", start)) != std::string::npos; start = at + 4)
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

class MarkupTest : public QObject
{
    Q_OBJECT

private slots:
    void rendersTheKnownTags_data()
    {
        QTest::addColumn<QByteArray>("markup");
        QTest::addColumn<QString>("expected");
        QTest::newRow("words one space apart") << QByteArray("one  two\tthree") << "one _ two _ three";
        QTest::newRow("bold italic underline") << QByteArray("<b>b</b> <i>i</i> <u>u</u>") << "b{B} _ i{I} _ u{U}";
        QTest::newRow("strong, em, any case, no space between") << QByteArray("<STRONG>s</Strong><Em>e</EM>x") << "s{B} e{I} x";
        QTest::newRow("colour and its end") << QByteArray("<font color=#FF0000>r</font>k") << "r{#ff0000} k";
        QTest::newRow("single quotes") << QByteArray("<font color='#00ff00'>g</font>") << "g{#00ff00}";
        QTest::newRow("double quotes, more attributes")
            << QByteArray("<font face=x color=\"#0000FF\" size=3>b</font>") << "b{#0000ff}";
        QTest::newRow("a colour that is no #RRGGBB is ignored, the tags still pair")
            << QByteArray("<font color=#FF0000>a<font color=red>b</font>c<font color=#12345>d</font></font>e")
            << "abcd{#ff0000} e";
        QTest::newRow("br and p break lines") << QByteArray("a<br>b<p>c") << "a / b / c";
        QTest::newRow("unknown tags are text") << QByteArray("<span>x</span> <bold>") << "<span>x</span> _ <bold>";
        QTest::newRow("a lone < is text") << QByteArray("a < b") << "a _ < _ b";
        QTest::newRow("unterminated tag is text, later tags still work") << QByteArray("x<b<b>y</b>") << "x<b y{B}";
        QTest::newRow("unterminated at the end") << QByteArray("x<font color=#FF0000") << "x<font _ color=#FF0000";
        QTest::newRow("closing tags without opening do nothing") << QByteArray("</b></font></i>x") << "x";
        QTest::newRow("unterminated quote: the tag ends at its >, no colour")
            << QByteArray("<font color='#FF0000>z</font>") << "z";
        QTest::newRow("self-closing br") << QByteArray("a<br/>b<BR >c") << "a / b / c";
    }

    void rendersTheKnownTags()
    {
        QFETCH(QByteArray, markup);
        QFETCH(QString, expected);
        QCOMPARE(Render(markup.toStdString()), expected);
    }

    void colourTagsNestedPastEightKeepEveryAppliedLevel()
    {
        // Ten levels: #000001 .. #00000A, each followed by its digit; then the ten closing tags,
        // each followed by a letter.
        std::string markup;
        for (int level = 1; level <= 10; ++level)
            markup += "<font color=#0000" + QString::number(level, 16).rightJustified(2, '0').toStdString() + ">" +
                      char('0' + level % 10);
        for (int level = 10; level >= 1; --level)
            markup += std::string("</font>") + char('a' + 10 - level);
        const MarkupLayout layout = LayoutMarkup(markup, BaseFont(), Qt::black, 2000);
        QStringList colours;
        for (const MarkupRun &run : layout.runs)
            for (QChar ch : run.text)
                colours << QString(ch) + "=" + run.colour.name().right(2);
        // Levels 9 and 10 are beyond the stack: their text keeps level 8's colour, and their
        // closing tags change nothing, so every earlier level comes back exactly.
        QCOMPARE(colours.join(' '), QString("1=01 2=02 3=03 4=04 5=05 6=06 7=07 8=08 9=08 0=08 "
                                            "a=08 b=08 c=07 d=06 e=05 f=04 g=03 h=02 i=01 j=00"));
    }

    void lineHeightsOfBreaksParagraphsSubAndSup()
    {
        const QFont font = BaseFont();
        const int line = QFontMetrics(font).height();
        struct Case
        {
            const char *markup;
            int lines;
            int height;
        };
        const Case cases[] = {
            {"x", 1, line},
            {"x<br>", 1, line},     // a break after the last text adds no line
            {"<br>x", 2, 2 * line}, // a break at the start leaves an empty line
            {"x<br><br>y", 3, 3 * line},
            {"<p>x", 1, line}, // p at the very start adds nothing
            {"x<p>y", 2, 2 * line + line / 2},
            {"", 0, 0},
        };
        for (const Case &c : cases) {
            const MarkupLayout layout = LayoutMarkup(c.markup, font, Qt::black, 500);
            QCOMPARE(layout.lines, c.lines);
            QCOMPARE(layout.height, c.height);
        }

        // sub and sup: 7/10 of the font's height, lowered or raised by a third of it; the line
        // reaches from the highest ascent to the lowest descent of its runs.
        const QFontMetrics base(font);
        QFont smallFont = font;
        smallFont.setPixelSize(18 * 7 / 10);
        const QFontMetrics small(smallFont);
        const int shift = 18 / 3;
        const MarkupLayout sub = LayoutMarkup("x<sub>2</sub>", font, Qt::black, 500);
        const MarkupLayout sup = LayoutMarkup("x<sup>2</sup>", font, Qt::black, 500);
        for (const MarkupLayout *layout : {&sub, &sup}) {
            QCOMPARE(layout->runs.size(), std::size_t(2));
            QCOMPARE(layout->runs[1].font.pixelSize(), 18 * 7 / 10);
        }
        QCOMPARE(sub.runs[1].baseline - sub.runs[0].baseline, shift);
        QCOMPARE(sup.runs[0].baseline - sup.runs[1].baseline, shift);
        QCOMPARE(sub.height, std::max(base.ascent(), small.ascent() - shift) + std::max(base.descent(), small.descent() + shift));
        QCOMPARE(sup.height, std::max(base.ascent(), small.ascent() + shift) + std::max(base.descent(), small.descent() - shift));
        QVERIFY(sub.height > line);
    }

    void wrapsAtWordsAndBreaksOverlongWordsInsideTheWidth()
    {
        const QFont font = BaseFont();
        const QFontMetrics metrics(font);
        const int both = metrics.horizontalAdvance("aaaa") + metrics.horizontalAdvance(' ') + metrics.horizontalAdvance("bbbb");
        QCOMPARE(LayoutMarkup("aaaa bbbb", font, Qt::black, both).lines, 1);
        QCOMPARE(LayoutMarkup("aaaa bbbb", font, Qt::black, both - 1).lines, 2);

        // Thirty characters without a space in 100 px: broken between characters, never past the width.
        const std::string chinese = Repeat("春", 30);
        const MarkupLayout layout = LayoutMarkup(chinese, font, Qt::black, 100);
        const int perLine = 100 / metrics.horizontalAdvance(QChar(0x6625));
        QCOMPARE(layout.lines, (30 + perLine - 1) / perLine);
        for (const MarkupRun &run : layout.runs)
            QVERIFY(run.x + QFontMetrics(run.font).horizontalAdvance(run.text) <= 100);
    }

    void readsTagsWithoutReadingPastTheText()
    {
        // Every prefix of a text full of tags is laid out without reading past its end (the
        // sanitized build checks the reads), and ends as text where its tag is cut.
        const std::string text = "<font color='#112233'>a<b>b</b><sub>c</sub><br></font>";
        for (std::size_t length = 0; length <= text.size(); ++length) {
            const std::string prefix = text.substr(0, length);
            const MarkupLayout layout = LayoutMarkup(prefix, BaseFont(), Qt::black, 300);
            QVERIFY(layout.height >= 0);
        }
        QCOMPARE(ReadMarkupTag("<b", 0).has_value(), false);
        QCOMPARE(ReadMarkupTag("<", 0).has_value(), false);
        QCOMPARE(ReadMarkupTag("</", 0).has_value(), false);
        QCOMPARE(ReadMarkupTag("<b>", 0)->length, std::size_t(3));
        QCOMPARE(ReadMarkupTag("<font color=#0A0B0C>", 0)->colour.value(), qRgb(10, 11, 12));
        QCOMPARE(ReadMarkupTag("<font " + std::string(300, ' ') + ">", 0).has_value(), false);
    }

    void keywordIsWrappedInGreen_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("keyword");
        QTest::addColumn<QByteArray>("expected");
        auto gbk = [](const char *utf8) { return QByteArray::fromStdString(Utf8ToGbk(utf8)); };
        const QByteArray open = kKeywordOpenTag, close = kKeywordCloseTag;
        QTest::newRow("without the keyword") << gbk("春天来了") << gbk("花") << gbk("春天来了");
        QTest::newRow("twice") << gbk("花开花落") << gbk("花")
                               << open + gbk("花") + close + gbk("开") + open + gbk("花") + close + gbk("落");
        QTest::newRow("empty keyword") << gbk("花开") << QByteArray() << gbk("花开");
        // "啊啊" is B0 A1 B0 A1: the bytes A1 B0 only appear across the two characters.
        QTest::newRow("never from a second byte")
            << QByteArray("\xB0\xA1\xB0\xA1") << QByteArray("\xA1\xB0") << QByteArray("\xB0\xA1\xB0\xA1");
        QTest::newRow("never inside a tag") << QByteArray("<font color=#112233>x</font>") << QByteArray("color")
                                            << QByteArray("<font color=#112233>x</font>");
    }

    void keywordIsWrappedInGreen()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, keyword);
        QFETCH(QByteArray, expected);
        QCOMPARE(QByteArray::fromStdString(WrapKeyword(text.toStdString(), keyword.toStdString())), expected);
    }

    void breaksAfterEvery34VisibleBytes()
    {
        // Seventy Chinese characters: a break after every seventeen.
        const std::string seventy = Repeat("春", 70);
        const auto lines = SplitOnBreaks(InsertLineBreaks(seventy));
        QCOMPARE(lines.size(), std::size_t(5));
        for (std::size_t i = 0; i < 4; ++i)
            QCOMPARE(lines[i], Repeat("春", 17));
        QCOMPARE(lines[4], Repeat("春", 2));

        // Mixed: one ASCII byte first, so the 34th byte is a first byte: the break goes after
        // the character (35 bytes), and the count starts again from there.
        const std::string mixed = std::string(1, 'a').append(Repeat("花", 20)) + "bc" + Repeat("花", 16);
        const auto mixedLines = SplitOnBreaks(InsertLineBreaks(mixed));
        QCOMPARE(mixedLines.size(), std::size_t(3));
        QCOMPARE(mixedLines[0], std::string(1, 'a').append(Repeat("花", 17)));
        QCOMPARE(mixedLines[1], Repeat("花", 3) + "bc" + Repeat("花", 13));
        QCOMPARE(mixedLines[2], Repeat("花", 3));
        for (const std::string &line : mixedLines)
            QCOMPARE(Utf8ToGbk(GbkToUtf8(line)), line); // whole characters only

        // Tags do not count; a stray "<" is visible text and does.
        const std::string green = std::string(kKeywordOpenTag) + Repeat("花", 17) + kKeywordCloseTag + "x";
        QCOMPARE(InsertLineBreaks(green), std::string(kKeywordOpenTag) + Repeat("花", 17) + "<br>" + kKeywordCloseTag + "x");
        const std::string stray = "1<2" + std::string(31, 'a') + "z";
        QCOMPARE(InsertLineBreaks(stray), "1<2" + std::string(31, 'a') + "<br>z");

        // The text's own line breaks end a line and start the count again.
        const std::string poem = Repeat("月", 16) + "\r\n" + Repeat("霜", 16) + "\n" + Repeat("雪", 18);
        const auto poemLines = SplitOnBreaks(MarkUpExcerpt(poem, ""));
        QCOMPARE(poemLines.size(), std::size_t(4));
        QCOMPARE(poemLines[0], Repeat("月", 16));
        QCOMPARE(poemLines[1], Repeat("霜", 16));
        QCOMPARE(poemLines[2], Repeat("雪", 17));
        QCOMPARE(poemLines[3], Repeat("雪", 1));
    }

    void excerptsAreBoundedBetweenCharacters()
    {
        const std::string longText = std::string(1, 'a').append(Repeat("花", 10000));
        const std::string bounded = BoundedExcerpt(longText);
        QCOMPARE(bounded.size(), kMaxExcerptBytes - 1); // the last character would not fit whole
        QCOMPARE(Utf8ToGbk(GbkToUtf8(bounded)), bounded);
    }
};

int RunMarkupTests(int argc, char **argv)
{
    MarkupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MarkupTest.moc"
