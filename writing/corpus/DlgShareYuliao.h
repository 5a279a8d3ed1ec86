// CDlgShareYuliao: the small popup of six share targets that the corpus panel shows above the
// pointer; a press on a target opens the sharing gateway's page for the open excerpt.
#pragma once

#include "Dialog.h"
#include "ShareTargets.h"
#include "xImage.h"

#include <QImage>
#include <string>

class CDlgShareYuliao : public CDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 207;
    static constexpr int kHeight = 60;

    explicit CDlgShareYuliao(QWidget *owner);

    // The excerpt's full text without markup (GBK), set before each showing.
    void SetSummary(const std::string &gbkSummary) { m_summary = gbkSummary; }
    const std::string &Summary() const { return m_summary; }

    // Opens the gateway's page for the target under the point (popup pixels); false when the
    // point is on no target. The browser's own failure is not reported.
    bool ShareAt(QPoint point);

    // The popup as drawn: white everywhere the picture leaves uncovered; white is the colour
    // that the window leaves transparent.
    const QImage &Face() const { return m_face; }

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void ComposeFace();

    std::string m_summary;
    CxImage m_picture;
    QImage m_face;
};
