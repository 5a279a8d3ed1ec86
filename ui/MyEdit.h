// CMyEdit: one-line field with a hint shown while empty and unfocused, its own colours and a
// password mode that masks only typed text. The framed multi-line field is in CoolEdit.h.
#pragma once
#include "CoolEdit.h"

#include <QColor>
#include <QLineEdit>
#include <string>

class CMyEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit CMyEdit(QWidget *parent = nullptr);

    // Shown at once when the field is empty and has no focus.
    void SetHint(const std::string &gbk);
    const std::string &Hint() const { return m_hint; }
    void SetColors(const QColor &text, const QColor &background);
    void SetPassword(bool password);
    bool IsPassword() const { return m_password; }

    // The field's text as GBK (equal to the hint while the hint is shown).
    std::string WindowText() const;
    void SetWindowText(const std::string &gbk);
    bool IsShowingHint() const;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void ApplyMask(bool masked);

    std::string m_hint;
    bool m_password = false;
};

// Makes a one-line field leave out every character GBK cannot hold (an emoji), however it comes
// in: typed, pasted, dropped or from the input method. Every CMyEdit does this already.
void KeepFieldInGbk(QLineEdit *field);
