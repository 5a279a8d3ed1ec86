// Where every part of a writing screen lies, as a pure function of the client size, so the
// screen places its controls and paints from one table and tests check it without painting.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

struct WriteScreenLayout
{
    QRect topBand;    // grey band across the top
    QRect secondBand; // green band under it, left of the corpus button
    QRect back;
    QRect undo;
    QRect redo;
    QRect eyeHint; // the eye-care text
    QRect minimise;
    QRect maximise; // the restore button takes the same place
    QRect close;
    QRect corpusButton;
    QPoint titleLabel; // the picture before the title field
    QRect titleField;
    QRect writingFrame; // 3-px frame around the title and the editor
    QRect editorHost;
    QRect corpusFrame; // 14-px frame around the corpus panel
    QRect corpusPanel;
    QPoint logo;
    QRect countButton;
    QRect saveToLibrary;
    QRect saveAsWord;
    QRect paper; // composition paper, left of the save group: right of it lies the corpus frame
    QRect paleLine; // the two bottom lines
    QRect greenLine;
    QPoint limitNotice; // where the limit notice's text starts
};

WriteScreenLayout WriteLayout(QSize client);
