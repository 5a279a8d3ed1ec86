// Skin elements onto widgets.
#include "SkinLayout.h"

#include "GdipButton.h"

#include <QWidget>

void ApplySkinPosition(QWidget *control, const std::optional<SkinElement> &element)
{
    if (!control || !element)
        return;
    control->setGeometry(element->x, element->y, element->width, element->height);
    control->show();
}

void ApplySkinButton(CGdipButton *button, const std::optional<SkinElement> &element, const std::string &appFolder)
{
    if (!button || !element)
        return;
    button->LoadFromSkin(*element, appFolder);
}
