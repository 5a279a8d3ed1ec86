// Applying skin elements to the screens' controls (start-up and sign-in screens).
#pragma once
#include "SkinReader.h"

#include <optional>
#include <string>

class QWidget;
class CGdipButton;

// Position element: the control moves to (x, y, width, height) and is made visible. A missing
// element leaves the control where the screen placed it.
void ApplySkinPosition(QWidget *control, const std::optional<SkinElement> &element);
// Button element: moved as above, then its faces normal, up, down, disable are loaded from
// appFolder + "\img\".
void ApplySkinButton(CGdipButton *button, const std::optional<SkinElement> &element, const std::string &appFolder);
