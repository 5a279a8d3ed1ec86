// The save-as-Word action shared by the writing screen and the library's essay viewer: the
// checks, the save dialog and the notices around writing the document.
#pragma once

#include <string>

class QWidget;

// titleAsShown: the title field's text exactly as shown (the hint text when untouched); body:
// the essay's GBK text with bare CR paragraph marks. An empty body gives the notice
// "\t  正文内容不能为空！" and no dialog. Otherwise the student picks the file (suggested name
// "<title>.doc", filter "word文档 (*.doc)", confirmation before replacing a file) and the
// document title CR LF body is written there, confirmed by "作文已保存为 <file name>"; a write that
// fails gives WordExportFailureMessage(). True only when the document was written.
bool ExportEssayToWord(QWidget *parent, const std::string &titleAsShown, const std::string &body);
