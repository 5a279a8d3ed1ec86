// CGdipButton: the four-face picture button with hover, pressed and disabled looks, caption,
// tooltip and the process-wide selection group of the navigation buttons.
#pragma once
#include <QAbstractButton>
#include <QImage>
#include <QTimer>
#include <string>

#include "xImage.h"
#include <vector>

struct SkinElement;

class CGdipButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Face
    {
        Normal,
        Hover,
        Pressed,
        Disabled
    };
    static constexpr int kToolTipDelayMs = 2000;

    explicit CGdipButton(QWidget *parent = nullptr);
    ~CGdipButton() override;

    // Full paths; a missing file leaves that face empty (the parent shows through).
    void LoadImages(const std::string &normal, const std::string &hover, const std::string &pressed,
                    const std::string &disabled = std::string());
    // Moves the button to the element's rectangle, then loads its four faces from appFolder + "\img\".
    void LoadFromSkin(const SkinElement &element, const std::string &appFolder);

    void SetStretch(bool stretch);
    void SetKeepFace(bool keep) { m_keepFace = keep; }
    void SetGroup(bool group) { m_group = group; }
    void SetDisabledLook(bool disabled);
    void SetToolTipText(const std::string &gbk);
    // 0 centre (default), 1 right, any other value left.
    void SetTextAlignment(int alignment);
    void SetWindowText(const std::string &gbk);

    // Makes a face current and repaints (check boxes and the owner's resets use it).
    void ShowFace(Face face);
    // Back to the normal face with the clicked-inside flag cleared.
    void ResetFace();

    Face CurrentFace() const { return m_face; }
    bool IsHovering() const { return m_hover; }
    bool IsClickedInside() const { return m_clickedInside; }
    bool IsToolTipPending() const { return m_tipTimer.isActive(); }
    int ToolTipDelay() const { return m_tipTimer.interval(); }
    const QImage &FaceImage(Face face) const;

    // The process-wide selection group (ordered) and its current selection.
    static void AddToGroup(CGdipButton *button);
    static void RemoveFromGroup(CGdipButton *button);
    static void SetGroupSelection(CGdipButton *button);
    static CGdipButton *GroupSelection();
    static const std::vector<CGdipButton *> &GroupMembers();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void Press();
    void ShowToolTipNow();
    bool InGroup() const;
    bool IsGroupSelection() const;

    CxImage m_images[4]; // with their 2× pictures, drawn at the screen's ratio
    bool m_stretch = false;
    bool m_clickedInside = false;
    bool m_hover = false;
    bool m_pressed = false;
    bool m_keepFace = false;
    bool m_group = false;
    bool m_disabledLook = false;
    int m_alignment = 0;
    std::string m_toolTip;
    QTimer m_tipTimer;
    Face m_face = Face::Normal;
};

// A picture button of the program's own pictures (paths in the program folder, as the skin writes
// them): normal, hover and pressed faces, the pressed one the hover one when not given.
CGdipButton *MakeImageButton(QWidget *parent, const char *normal, const char *hover, const char *pressed = nullptr);
