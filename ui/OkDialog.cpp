// The notice box, the message layout and the box parts shared with the question box.
#include "OkDialog.h"

#include "AppFolder.h"
#include "Fonts.h"
#include "GbkText.h"
#include "QtText.h"
#include "Screen.h"
#include "xImage.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <initializer_list>

namespace {

int g_openNotices = 0;
MessageBoxResponder *g_responder = nullptr;

// Places of the notice box's parts.
const QRect kOkButtonRect(126, 142, 67, 25);
const QRect kOkLabelRect(44, 50, 243, 74);

bool HighBit(char byte)
{
    return (static_cast<unsigned char>(byte) & 0x80) != 0;
}

} // namespace

// ---- Message layout -------------------------------------------------------------------------

namespace {

// Marks that may not start a line (closing marks, pauses and stops) and marks that may not end
// one (opening marks), as Chinese text is set.
bool IsOneOf(const std::string &gbkCharacter, std::initializer_list<const char *> utf8Marks)
{
    const std::string utf8 = GbkToUtf8(gbkCharacter);
    for (const char *mark : utf8Marks)
        if (utf8 == mark)
            return true;
    return false;
}

bool MayNotStartLine(const std::string &gbkCharacter)
{
    return IsOneOf(gbkCharacter, {"，", "。", "、", "；", "：", "？", "！", "）", "》", "」", "』", "】", "〕", "〉", "”",
                                  "’", "…", "·", ",", ".", ";", ":", "?", "!", ")", "]", "}", ">", "%"});
}

bool MayNotEndLine(const std::string &gbkCharacter)
{
    return IsOneOf(gbkCharacter, {"（", "《", "「", "『", "【", "〔", "〈", "“", "‘", "(", "[", "{", "<"});
}

// The bytes of the character that starts at offset: two when both have the high bit.
std::string CharacterAt(const std::string &gbk, std::size_t offset)
{
    if (offset >= gbk.size())
        return {};
    const bool pair = HighBit(gbk[offset]) && offset + 1 < gbk.size() && HighBit(gbk[offset + 1]);
    return gbk.substr(offset, pair ? 2 : 1);
}

} // namespace

std::vector<BoxMessageGlyph> LayoutBoxMessage(const std::string &gbkMessage, int fontHeight, int averageWidth, int labelWidth)
{
    std::vector<BoxMessageGlyph> glyphs;
    const int rightLimit = labelWidth - 2 * averageWidth;
    int x = 0;
    int top = fontHeight / 2;
    std::size_t lineStart = 0; // index in glyphs of the line's first character
    auto newLine = [&] {
        x = 0;
        top += kBoxLineHeight;
        lineStart = glyphs.size();
    };
    auto text = [&](const BoxMessageGlyph &glyph) { return gbkMessage.substr(glyph.offset, glyph.length); };
    // A line full before the character at nextOffset: the line's last characters move down with
    // it while the next line would start with a closing mark or this one end with an opening
    // mark (one character at least stays).
    auto wrapBefore = [&](std::size_t nextOffset) {
        std::size_t carried = 0;
        while (carried + 1 < glyphs.size() - lineStart) {
            const BoxMessageGlyph &last = glyphs[glyphs.size() - 1 - carried];
            const std::string starting = carried == 0 ? CharacterAt(gbkMessage, nextOffset) : text(glyphs[glyphs.size() - carried]);
            if (!MayNotEndLine(text(last)) && !MayNotStartLine(starting))
                break;
            ++carried;
        }
        const std::size_t firstCarried = glyphs.size() - carried;
        newLine();
        lineStart = firstCarried;
        for (std::size_t k = firstCarried; k < glyphs.size(); ++k) {
            glyphs[k].x = x;
            glyphs[k].top = top;
            x += static_cast<int>(glyphs[k].length) * averageWidth;
        }
    };
    for (std::size_t i = 0; i < gbkMessage.size(); ++i) {
        const char byte = gbkMessage[i];
        if (byte == '\r') {
            if (i + 1 < gbkMessage.size() && gbkMessage[i + 1] == '\n')
                ++i;
            newLine();
            continue;
        }
        if (byte == '\n') {
            newLine();
            continue;
        }
        if (byte == '\t') {
            x += 4 * 2 * averageWidth;
        } else if (HighBit(byte) && i + 1 < gbkMessage.size() && HighBit(gbkMessage[i + 1])) {
            glyphs.push_back({i, 2, x, top});
            x += 2 * averageWidth;
            ++i;
        } else {
            glyphs.push_back({i, 1, x, top});
            x += averageWidth;
        }
        if (x > rightLimit)
            wrapBefore(i + 1);
    }
    return glyphs;
}

// ---- Box parts ------------------------------------------------------------------------------

BoxMessageLabel::BoxMessageLabel(const std::string &gbkMessage, const QFont &font, QWidget *parent)
    : QWidget(parent), m_message(gbkMessage), m_font(font)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BoxMessageLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(m_font);
    painter.setPen(Qt::black);
    const int ascent = QFontMetrics(m_font).ascent();
    for (const BoxMessageGlyph &glyph : LayoutBoxMessage(m_message, m_font.pixelSize(), AverageCharWidth(m_font), width())) {
        if (glyph.top >= height())
            break; // clipped: below the label
        painter.drawText(glyph.x, glyph.top + ascent, GbkToQString(m_message.substr(glyph.offset, glyph.length)));
    }
}

BoxButton::BoxButton(const std::string &gbkCaption, const QImage &face, const QFont &font, QWidget *parent)
    : QPushButton(GbkToQString(gbkCaption), parent), m_face(face)
{
    setFont(font);
    setAutoDefault(false);
}

void BoxButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_face.isNull())
        painter.drawImage(rect(), m_face);
    painter.setFont(font());
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

QPoint messagebox::BoxPosition()
{
    return PlaceWindow(QSize(kWidth, kHeight), ScreenSize(), WorkArea(), false).rect.topLeft();
}

QFont messagebox::BoxFont()
{
    return MakeFont(QString::fromUtf8("宋体"), 12, kFontWeightNormal);
}

QImage messagebox::LoadBoxPicture(const char *relativeName)
{
    // Null when missing: nothing is drawn. On screens above 100 % the 2× picture when there is one.
    CxImage picture;
    if (!picture.load(AppPath(relativeName)))
        return QImage();
    return picture.Frame(0, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

// ---- Responder ------------------------------------------------------------------------------

MessageBoxResponder *InstalledMessageBoxResponder()
{
    return g_responder;
}

void InstallMessageBoxResponder(MessageBoxResponder *responder)
{
    g_responder = responder;
}

ScopedMessageBoxResponder::ScopedMessageBoxResponder(MessageBoxResponder &responder) : m_previous(g_responder)
{
    g_responder = &responder;
}

ScopedMessageBoxResponder::~ScopedMessageBoxResponder()
{
    g_responder = m_previous;
}

namespace {

// A notice answered by the responder: a modal one raises the flag while it is "on screen", as a
// real box does.
void RespondToNotice(MessageBoxCall::Kind kind, const std::string &caption, const std::string &message)
{
    const bool raisesFlag = kind == MessageBoxCall::Kind::Notice;
    if (raisesFlag)
        ++g_openNotices;
    MessageBoxCall call{kind, message, {caption}, COkDialog::IsOpen()};
    g_responder->calls.push_back(call);
    if (g_responder->answer)
        g_responder->answer(call);
    if (raisesFlag)
        --g_openNotices;
}

} // namespace

// ---- COkDialog ------------------------------------------------------------------------------

COkDialog::COkDialog(const std::string &caption, const std::string &message, QWidget *parent)
    : CDialog(parent, DialogKind::FramelessWindow), m_caption(caption), m_message(message)
{
}

COkDialog::~COkDialog()
{
    ReleaseFlag();
}

int COkDialog::Show(const std::string &caption, const std::string &message, QWidget *owner)
{
    if (g_responder) {
        RespondToNotice(MessageBoxCall::Kind::Notice, caption, message);
        return kIdOk;
    }
    COkDialog box(caption, message, owner);
    return box.DoModal();
}

COkDialog *COkDialog::ShowModeless(const std::string &caption, const std::string &message, QWidget *parent)
{
    if (g_responder) {
        RespondToNotice(MessageBoxCall::Kind::ModelessNotice, caption, message);
        return nullptr;
    }
    auto *box = new COkDialog(caption, message, parent);
    box->m_modeless = true;
    box->show();
    return box;
}

void COkDialog::ShowMessage(const std::string &message)
{
    static const std::string kCaption = Utf8ToGbk("确 定");
    Show(kCaption, message);
}

bool COkDialog::IsOpen()
{
    return g_openNotices > 0;
}

void COkDialog::OnInitDialog()
{
    // Only a modal box raises the flag: it keeps a second modal notice from stacking on the first.
    // A modeless one (the contest clock's warnings) stays up while the student works on, and must
    // not stop a lapsed session from being renewed behind it.
    if (!m_modeless) {
        ++g_openNotices;
        m_holdsFlag = true;
    }

    setFixedSize(messagebox::kWidth, messagebox::kHeight);
    move(messagebox::BoxPosition());
    m_background = messagebox::LoadBoxPicture("\\img\\hint.png");
    const QFont font = messagebox::BoxFont();
    setFont(font);

    m_button = new BoxButton(m_caption, messagebox::LoadBoxPicture("\\img\\msgbt.png"), font, this);
    m_button->setGeometry(kOkButtonRect);
    connect(m_button, &QPushButton::clicked, this, &COkDialog::OnButton);

    m_label = new BoxMessageLabel(m_message, font, this);
    m_label->setGeometry(kOkLabelRect);
}

void COkDialog::OnPaint(QPainter &painter)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_background.isNull())
        painter.drawImage(QPoint(-1, -1), m_background);
}

void COkDialog::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void COkDialog::OnButton()
{
    if (!m_modeless) {
        EndDialog(kIdOk);
        return;
    }
    // A dismissed modeless box is gone at once as far as the flag is concerned; the object
    // itself goes when control returns to the event loop.
    ReleaseFlag();
    hide();
    deleteLater();
}

void COkDialog::ReleaseFlag()
{
    if (!m_holdsFlag)
        return;
    m_holdsFlag = false;
    --g_openNotices;
}
