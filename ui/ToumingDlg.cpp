// Translucent cover window.
#include "ToumingDlg.h"

#include <QEvent>
#include <QPainter>

#include <memory>

CToumingDlg::CToumingDlg(QWidget *window) : CDialog(window, window ? DialogKind::Child : DialogKind::FramelessWindow)
{
    SetDraggable(false);
}

void CToumingDlg::OnInitDialog()
{
    if (isWindow())
        setWindowOpacity(kOpacity / 255.0);
}

void CToumingDlg::OnPaint(QPainter &painter)
{
    painter.fillRect(rect(), isWindow() ? QColor(Qt::black) : QColor(0, 0, 0, kOpacity));
}

namespace {

// Keeps a child cover over the whole of its window while the window changes size (a window
// manager may still be applying a restore or a maximise when the cover goes up).
class CoverFollowsWindow : public QObject
{
public:
    CoverFollowsWindow(QWidget *window, QWidget *cover) : m_cover(cover) { window->installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            m_cover->setGeometry(static_cast<QWidget *>(watched)->rect());
        return false;
    }

private:
    QWidget *m_cover;
};

} // namespace

int CToumingDlg::RunCovered(QWidget *window, CDialog &dialog)
{
    CToumingDlg cover(window);
    cover.EnsureInitialized();
    std::unique_ptr<CoverFollowsWindow> follow;
    if (window) {
        cover.setGeometry(window->rect());
        follow = std::make_unique<CoverFollowsWindow>(window, &cover);
    }
    cover.show();
    cover.raise();
    const int result = dialog.DoModal();
    cover.hide();
    return result;
}
