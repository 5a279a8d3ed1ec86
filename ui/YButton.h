// CYButton: picture button with hover, normal, pressed and released faces; tells its parent 1090.
#pragma once
#include "xImage.h"

#include <QAbstractButton>
#include <string>

class CYButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Face
    {
        Hover,
        Normal,
        Pressed,
        Released,
        Disabled
    };

    explicit CYButton(QWidget *parent = nullptr);

    // Full paths, in this order. The same text for normal and released makes the released face
    // count as the normal one for hovering.
    void LoadImages(const std::string &hover, const std::string &normal, const std::string &pressed, const std::string &released);

    Face CurrentFace() const { return m_face; }
    bool IsPressed() const { return m_pressed; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void Press();
    const CxImage &FaceImage(Face face) const;

    CxImage m_hoverImage, m_normalImage, m_pressedImage, m_releasedImage, m_disabledImage;
    Face m_face = Face::Normal;
    bool m_hover = false;
    bool m_pressed = false;
    bool m_releasedIsNormal = false;
};
