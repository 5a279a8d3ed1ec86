// The check every way out of an essay makes first (composition paper here, the Word export on
// the writing screen): an essay with no body goes nowhere.
#pragma once

#include <string>

class QWidget;

// True, after the notice "\t  正文内容不能为空！", when the body (GBK) is empty.
bool RefuseEmptyEssay(QWidget *parent, const std::string &body);
